#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/stat.h>

#include "HexBytes.h"
#include "packing/PackStreamCol.h"
#include "support/EngineTables.h"

namespace fs = std::filesystem;

namespace {

void add(TPackStreams &box, const std::string &name, const std::string &content)
{
    packing::MemoryStream s(content);
    box.AddStream(name, s);
}

std::string get(TPackStreams &box, const std::string &name)
{
    packing::MemoryStream s;
    box.GetStream(name, s);
    return s.toString();
}

std::string save(TPackStreams &box)
{
    packing::MemoryStream s;
    box.SaveToStream(s);
    return s.toString();
}

void load(TPackStreams &box, const std::string &bytes)
{
    packing::MemoryStream s(bytes);
    box.LoadFromStream(s);
}

std::vector<std::string> names(const TPackStreams &box)
{
    std::vector<std::string> out;
    for (const auto &item : box.itemsForInspection())
        out.push_back(item.first);
    return out;
}

// A container of several items, compressed and enciphered.
std::string packedSample(const std::string &key)
{
    TPackStreams box;
    box.Compressed = true;
    box.Encrypted = true;
    box.Key = key;
    add(box, "FE_STU", "{\\rtf1\\ansi linea de opciones}");
    add(box, "1", std::string(300, 'r') + "respuesta");
    add(box, "empty", "");
    return save(box);
}

// The number of files and folders in the folder.
size_t entries(const testsupport::TempDir &dir)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
}

} // namespace

// The bytes of stored containers: an empty one, one item, and an enciphered one whose key
// is missing (stored plain) or weak (flagged, but the payload left as it is).
TEST(PackStreams, PlainContainersByteForByte)
{
    const std::string oneItem = "01 02 03 04 05 06 07 08 01 00 00 00 01 00 31 03 00 00 00 61 62 63";
    const struct {
        bool encrypted;
        const char *key;
        bool withItem;
        std::string expected;
    } cases[] = {
        {false, "", false, "20 20 01 02 03 04 05 06 07 08 00 00 00 00"},
        {false, "", true, "20 20 " + oneItem},
        {true, "", true, "20 20 " + oneItem},
        {true, "weak50582", true, "20 2A " + oneItem},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.key);
        TPackStreams box;
        box.Compressed = false;
        box.Encrypted = c.encrypted;
        box.Key = c.key;
        if (c.withItem)
            add(box, "1", "abc");
        EXPECT_EQ(hex(save(box)), c.expected);
        TPackStreams other;
        other.Key = c.key;
        load(other, save(box));
        EXPECT_EQ(other.Encrypted, c.key[0] != 0);
        if (c.withItem) {
            EXPECT_EQ(get(other, "1"), "abc");
        }
    }
}

// Added names stand in case-insensitive order, kept by a save and a load; a name added again
// keeps its first spelling and place and takes the later content.
TEST(PackStreams, NamesAreKeptInCaseInsensitiveOrderAndARepeatReplacesTheContentOnly)
{
    TPackStreams box;
    for (const char *n : {"STU", "DB", "jpg", "BMP", "2", "10"})
        add(box, n, n);
    add(box, "db", "new content");
    EXPECT_EQ(names(box), (std::vector<std::string>{"10", "2", "BMP", "DB", "jpg", "STU"}));
    EXPECT_EQ(get(box, "Db"), "new content");

    box.Compressed = false;
    TPackStreams copy;
    load(copy, save(box));
    EXPECT_EQ(names(copy), names(box));
    EXPECT_EQ(get(copy, "jpg"), "jpg");
}

// Items are read in whatever order a container gives them and kept in order of their names; a
// name given again keeps its first spelling and takes the later content. A load cut short
// keeps the items read before the cut, in order.
TEST(PackStreams, LoadedItemsTakeTheirOrderAndRepeatsReplaceWhateverTheOrderInTheFile)
{
    const std::vector<std::pair<std::string, std::string>> given = {
        {"jpg", "1"}, {"STU", "2"}, {"DB", "3"}, {"db", "4"}, {"BMP", "5"}, {"Jpg", "6"}, {"10", "7"}, {"2", "8"}};
    std::string raw("  \x01\x02\x03\x04\x05\x06\x07\x08", 10);
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            raw += char(v >> (8 * i));
    };
    u32(uint32_t(given.size()));
    for (const auto &[name, content] : given) {
        raw += char(name.size());
        raw += '\0';
        raw += name;
        u32(uint32_t(content.size()));
        raw += content;
    }
    TPackStreams box;
    load(box, raw);
    EXPECT_EQ(names(box), (std::vector<std::string>{"10", "2", "BMP", "DB", "jpg", "STU"}));
    EXPECT_EQ(box.ItemsReadOnLoad(), given.size());
    for (const auto &[name, content] : {std::pair("JPG", "6"), std::pair("db", "4"), std::pair("stu", "2"), std::pair("10", "7")})
        EXPECT_EQ(get(box, name), content) << name;

    EXPECT_THROW(load(box, raw.substr(0, raw.size() - 6)), packing::EReadError); // inside "2"
    EXPECT_EQ(names(box), (std::vector<std::string>{"10", "BMP", "DB", "jpg", "STU"}));
    EXPECT_EQ(get(box, "jpg"), "6");
}

TEST(PackStreams, AddTakesTheWholeSourceAndGetWritesAtThePositionAndRewinds)
{
    TPackStreams box;
    packing::MemoryStream src(std::string("NEW"));
    src.setPosition(2);
    box.AddStream("item", src);
    EXPECT_EQ(src.position(), src.size());
    box.AddStream("", src);
    box.AddStream("y", nullptr);
    EXPECT_EQ(names(box), std::vector<std::string>{"item"});

    packing::MemoryStream dest(std::string("0123456789"));
    dest.setPosition(4);
    box.GetStream("item", dest);
    EXPECT_EQ(dest.toString(), "0123NEW789");
    EXPECT_EQ(dest.position(), 0);
    dest.setPosition(5);
    box.GetStream("absent", dest);
    EXPECT_EQ(dest.toString(), "0123NEW789");
    EXPECT_EQ(dest.position(), 0);
    dest.setPosition(5);
    box.GetStream("", dest);
    EXPECT_EQ(dest.position(), 5);
}

TEST(PackStreams, RoundTripsEveryPacking)
{
    for (bool compressed : {false, true}) {
        for (bool encrypted : {false, true}) {
            TPackStreams box;
            box.Compressed = compressed;
            box.Encrypted = encrypted;
            box.Key = "738";
            add(box, "1", std::string(5000, 'a') + "fin");
            add(box, "vacio", "");
            const std::string bytes = save(box);
            EXPECT_EQ(save(box), bytes) << "saving changes nothing of the container";
            EXPECT_EQ(box.Compressed, compressed);
            EXPECT_EQ(box.Encrypted, encrypted);
            EXPECT_EQ(bytes[0], compressed ? '&' : ' ');
            EXPECT_EQ(bytes[1], encrypted ? '*' : ' ');

            TPackStreams other;
            other.Compressed = !compressed;
            other.Encrypted = !encrypted;
            other.Key = "738";
            add(other, "old", "x"); // a load replaces the items and keeps the key
            load(other, bytes);
            EXPECT_EQ(names(other), (std::vector<std::string>{"1", "vacio"}));
            EXPECT_EQ(other.Key, "738");
            EXPECT_EQ(other.Compressed, compressed);
            EXPECT_EQ(other.Encrypted, encrypted);
            EXPECT_EQ(get(other, "1"), std::string(5000, 'a') + "fin");
            EXPECT_EQ(get(other, "vacio"), "");
        }
    }
}

TEST(PackStreams, AFailingLoadKeepsTheFlagsTheKeyAndTheItems)
{
    TPackStreams box;
    box.Compressed = false;
    box.Encrypted = false;
    box.Key = "mine";
    add(box, "x", "1");
    EXPECT_THROW(load(box, packedSample("other key")), ECorruptFile);
    EXPECT_FALSE(box.Compressed);
    EXPECT_FALSE(box.Encrypted);
    EXPECT_EQ(box.Key, "mine");
    EXPECT_EQ(names(box), std::vector<std::string>{"x"});
}

TEST(PackStreams, KeyFromTheAskForKeyHandlerIsKept)
{
    TPackStreams box;
    box.Key = "start";
    std::string offered;
    box.OnAskForKey = [&](TPackStreams &sender, std::string &result) {
        EXPECT_EQ(&sender, &box);
        offered = result;
        result = "secreto";
    };
    load(box, packedSample("secreto"));
    EXPECT_EQ(offered, "start");
    EXPECT_EQ(box.Key, "secreto");
    EXPECT_TRUE(box.Encrypted);
    EXPECT_EQ(get(box, "1"), std::string(300, 'r') + "respuesta");

    // A handler that leaves the result alone answers the current key.
    TPackStreams quiet;
    quiet.Key = "secreto";
    quiet.OnAskForKey = [](TPackStreams &, std::string &) {};
    load(quiet, packedSample("secreto"));
    EXPECT_EQ(get(quiet, "FE_STU"), "{\\rtf1\\ansi linea de opciones}");
}

// One item "1" of n zero bytes, compressed (a few kilobytes whatever n) or plain.
std::string zeros(size_t n, bool compressed)
{
    TPackStreams box;
    box.Compressed = compressed;
    add(box, "1", std::string(n, '\0'));
    return save(box);
}

constexpr int64_t kMiB = int64_t(1) << 20;

TEST(PackStreams, CorruptionCallsTheEventThenFailsAndContentUpToTheLimitLoads)
{
    const struct {
        const char *what;
        std::string bytes;
        std::string key;
        int64_t limit = 0;
        uint32_t maxItems = 0;
    } cases[] = {
        {"three items where one fits", packedSample("k"), "k", 0, 1},
        {"a count of 4 billion items where one fits",
         std::string("  \x01\x02\x03\x04\x05\x06\x07\x08\xFF\xFF\xFF\xFF", 14), "", 0, 1},
        {"compressed, unpacking past the limit", zeros(kMiB + 1, true), "", kMiB},
        {"compressed, declaring 1 GiB", zeros(kMiB, true).replace(2, 4, std::string("\0\0\0\x40", 4)), "", kMiB},
        {"plain item past the limit", zeros(kMiB + 1, false), "", kMiB},
        {"source far longer than the limit allows", zeros(2 * kMiB, false), "", kMiB},
        {"empty source", "", ""},
        {"one byte", " ", ""},
        {"flags only", "  ", ""},
        {"short of the signature", std::string("  \x01\x02\x03", 5), ""},
        {"wrong signature", std::string("  \x01\x02\x03\x04\x05\x06\x07\x09\0\0\0\0", 14), ""},
        {"enciphered without a key", packedSample("k"), ""},
        {"wrong key", packedSample("k"), "K"},
        {"compressed garbage", "& not a compressed stream at all", ""},
        {"compressed, too short for the size", "& \x01", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TPackStreams box;
        box.Key = c.key;
        box.SizeLimit = c.limit;
        box.MaxItems = c.maxItems;
        int events = 0;
        box.OnCorrupt = [&](TPackStreams &sender) {
            EXPECT_EQ(&sender, &box);
            events++;
        };
        try {
            load(box, c.bytes);
            ADD_FAILURE() << "loaded";
        } catch (const ECorruptFile &e) {
            EXPECT_STREQ(e.what(), "File is corrupt.");
        }
        EXPECT_EQ(events, 1);
    }
    // Content up to the limit loads, compressed or plain; so does any size without a limit.
    for (const bool compressed : {true, false}) {
        TPackStreams box;
        box.SizeLimit = kMiB;
        load(box, zeros(kMiB, compressed));
        EXPECT_EQ(get(box, "1").size(), size_t(kMiB));
        box.SizeLimit = 0;
        load(box, zeros(kMiB + 1, compressed));
        EXPECT_EQ(get(box, "1").size(), size_t(kMiB + 1));
    }
}

TEST(PackStreams, ItemPastTheEndIsAStreamReadErrorWithoutTheEvent)
{
    TPackStreams source;
    source.Compressed = false;
    add(source, "a", "first");
    add(source, "b", "second item");
    const std::string whole = save(source);

    TPackStreams box;
    int events = 0;
    box.OnCorrupt = [&](TPackStreams &) { events++; };
    add(box, "old", "x");
    // Cut inside the second item's bytes: the first item is read, then the failure.
    try {
        load(box, whole.substr(0, whole.size() - 3));
        ADD_FAILURE() << "loaded";
    } catch (const packing::EReadError &e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
    EXPECT_EQ(events, 0);
    EXPECT_EQ(names(box), std::vector<std::string>{"a"});

    // A size far beyond the block fails the same way, before anything is allocated for it.
    std::string huge = whole;
    huge[2 + 8 + 4 + 2 + 1] = '\xFF';
    huge[2 + 8 + 4 + 2 + 4] = '\xFF';
    EXPECT_THROW(load(box, huge), packing::EReadError);
}

// A save replaces the file only once it is complete; files that cannot be opened or created
// are named in the failure, and nothing changes.
TEST(PackStreams, FilesAreReplacedOnlyWhenTheSaveIsCompleteAndFileErrorsNameTheFile)
{
    testsupport::TempDir dir;
    const std::string name = dir.file("X.STU");
    TPackStreams box;
    box.Encrypted = true;
    box.Key = "pw";
    add(box, "FE_STU", "settings");
    box.SaveToFile(name);
    box.SaveToFile(name); // an existing file is replaced
    EXPECT_EQ(entries(dir), 1u);
    TPackStreams back;
    back.Key = "pw";
    back.LoadFromFile(name);
    EXPECT_EQ(get(back, "FE_STU"), "settings");

    // A save that fails half way leaves the old file and no temporary file behind.
    add(box, std::string(70000, 'n'), "name too long for its 16-bit length");
    EXPECT_THROW(box.SaveToFile(name), packing::EWriteError);
    EXPECT_EQ(entries(dir), 1u);
    back.LoadFromFile(name);
    EXPECT_EQ(get(back, "FE_STU"), "settings");

    const std::string missing = dir.file("missing.CLA");
    try {
        back.LoadFromFile(missing);
        ADD_FAILURE();
    } catch (const packing::EFOpenError &e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing);
    }
    EXPECT_EQ(names(back), std::vector<std::string>{"FE_STU"});
    EXPECT_EQ(back.Key, "pw");
    const std::string unwritable = dir.file("no/such/folder/X.SZP");
    try {
        box.SaveToFile(unwritable);
        ADD_FAILURE();
    } catch (const packing::EFCreateError &e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + unwritable);
    }
}

// Every byte of a few packed containers flipped, and every truncation: each load ends in the
// container's failure, a stream error, or (rarely, for bytes the checks can't see) a result.
TEST(PackStreams, CorruptionSweep)
{
    std::vector<std::string> samples = {packedSample("sweep")};
    {
        TPackStreams box;
        box.Compressed = true;
        box.Encrypted = false;
        add(box, "1", "corto");
        add(box, "BMP", std::string(200, '\x10') + "BM");
        samples.push_back(save(box));
    }
    {
        TPackStreams box;
        box.Compressed = false;
        box.Encrypted = true;
        box.Key = "sweep";
        add(box, "1", "sin comprimir");
        samples.push_back(save(box));
    }
    int failures = 0, loads = 0;
    auto attempt = [&](const std::string &bytes) {
        TPackStreams box;
        box.Key = "sweep";
        loads++;
        try {
            load(box, bytes);
        } catch (const ECorruptFile &) {
            failures++;
        } catch (const packing::EStreamError &) {
            failures++;
        }
    };
    for (const std::string &sample : samples) {
        for (size_t i = 0; i < sample.size(); i++) {
            for (uint8_t mask : {0x01, 0x80, 0xFF}) {
                std::string bad = sample;
                bad[i] = static_cast<char>(bad[i] ^ mask);
                attempt(bad);
            }
        }
        for (size_t n = 0; n < sample.size(); n++)
            attempt(sample.substr(0, n));
    }
    EXPECT_GT(failures, loads / 2);
}
