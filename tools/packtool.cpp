// Command-line driver for the packing routines, to check them on files.
//
//   packtool lzh-c IN OUT              compress IN (4-byte size, then the -lh5- bit stream)
//   packtool lzh-d IN OUT              decompress such a stream
//   packtool bf-e KEY IN OUT           pad and encipher IN with KEY
//   packtool bf-d KEY IN OUT           decipher IN with KEY and remove the padding
//   packtool box-ls FILE [KEY]         list the container's flags and items
//   packtool box-get FILE NAME OUT [KEY]   write the container's item NAME to OUT
//
// Exit status 0 on success; 1 with the failure's text on a corrupt input or a file error;
// 2 on a wrong command line.
#include <cstdio>
#include <exception>
#include <string>
#include <strings.h>

#include "packing/PackStreamCol.h"
#include "packing/PackStreamRoutines.h"
#include "packing/Streams.h"

namespace {

packing::MemoryStream readFile(const std::string &name)
{
    packing::FileStream file(name, packing::FileStream::OpenRead);
    packing::MemoryStream data;
    data.copyFrom(file, 0);
    data.setPosition(0);
    return data;
}

void writeFile(const std::string &name, const packing::MemoryStream &data)
{
    packing::SaveFile file(name);
    file.stream().writeBuffer(data.data(), static_cast<size_t>(data.size()));
    file.commit();
}

int usage()
{
    std::fprintf(stderr, "usage: packtool lzh-c IN OUT | lzh-d IN OUT | bf-e KEY IN OUT | bf-d KEY IN OUT\n"
                         "                | box-ls FILE [KEY] | box-get FILE NAME OUT [KEY]\n");
    return 2;
}

int run(int argc, char **argv)
{
    const std::string cmd = argc > 1 ? argv[1] : "";
    if ((cmd == "lzh-c" || cmd == "lzh-d") && argc == 4) {
        packing::MemoryStream in = readFile(argv[2]), out;
        if (cmd == "lzh-c")
            LzhCompressStream(in, out);
        else
            LzhDecompressStream(in, out);
        writeFile(argv[3], out);
        return 0;
    }
    if ((cmd == "bf-e" || cmd == "bf-d") && argc == 5) {
        packing::MemoryStream data = readFile(argv[3]);
        if (cmd == "bf-e")
            EncryptStream(data, argv[2]);
        else
            DecryptStream(data, argv[2]);
        writeFile(argv[4], data);
        return 0;
    }
    if (cmd == "box-ls" && (argc == 3 || argc == 4)) {
        TPackStreams box;
        if (argc == 4)
            box.Key = argv[3];
        box.LoadFromFile(argv[2]);
        std::printf("compressed: %s\nenciphered: %s\n", box.Compressed ? "yes" : "no",
                    box.Encrypted ? "yes" : "no");
        for (const auto &[name, size] : box.itemsForInspection())
            std::printf("%s\t%lld\n", name.c_str(), static_cast<long long>(size));
        return 0;
    }
    if (cmd == "box-get" && (argc == 5 || argc == 6)) {
        TPackStreams box;
        if (argc == 6)
            box.Key = argv[5];
        box.LoadFromFile(argv[2]);
        bool found = false;
        for (const auto &item : box.itemsForInspection())
            found = found || strcasecmp(item.first.c_str(), argv[3]) == 0;
        if (!found) {
            std::fprintf(stderr, "packtool: no item %s\n", argv[3]);
            return 1;
        }
        packing::MemoryStream out;
        box.GetStream(argv[3], out);
        writeFile(argv[4], out);
        return 0;
    }
    return usage();
}

} // namespace

int main(int argc, char **argv)
{
    try {
        return run(argc, argv);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
