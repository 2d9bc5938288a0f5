#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "packing/Streams.h"
#include "support/EngineTables.h"

TEST(MemoryStream, ReadsWritesSeeksAndCopiesLikeAFile)
{
    packing::MemoryStream s;
    s.writeUInt32(0x04030201);
    s.writeUInt16(0x0605);
    EXPECT_EQ(s.toString(), std::string("\x01\x02\x03\x04\x05\x06", 6));
    s.setPosition(1);
    EXPECT_EQ(s.readByte(), 2);
    EXPECT_EQ(s.readUInt16(), 0x0403);
    char buf[4];
    EXPECT_EQ(s.read(buf, 4), 2u);  // short at the end
    EXPECT_THROW(s.readBuffer(buf, 1), packing::EReadError);

    // Writing past the end fills the gap with zeros.
    s.setPosition(8);
    s.writeBuffer("Z", 1);
    EXPECT_EQ(s.toString(), std::string("\x01\x02\x03\x04\x05\x06\0\0Z", 9));

    s.setSize(3);
    EXPECT_EQ(s.position(), 3);
    s.clear();
    EXPECT_EQ(s.size(), 0);
    EXPECT_EQ(s.position(), 0);

    // A copy of count 0 takes the whole source.
    packing::MemoryStream src(std::string("abcdef")), dst(std::string("12"));
    src.setPosition(4);
    dst.setPosition(2);
    EXPECT_EQ(dst.copyFrom(src, 0), 6);
    EXPECT_EQ(dst.toString(), "12abcdef");
    EXPECT_EQ(src.position(), 6);
    src.setPosition(1);
    EXPECT_EQ(dst.copyFrom(src, 2), 2);
    EXPECT_EQ(dst.toString(), "12abcdefbc");
    EXPECT_THROW(dst.copyFrom(src, 10), packing::EReadError);
}

TEST(FileStream, WritesAndReadsBackThroughASaveFileThatReplacesOnlyWhenCommitted)
{
    const testsupport::TempDir dir;
    const std::string name = dir.file("streams_test.bin");
    {
        packing::SaveFile f(name);
        f.stream().writeBuffer("contenido", 9);
        f.commit();
    }
    packing::FileStream in(name, packing::FileStream::OpenRead);
    EXPECT_EQ(in.size(), 9);
    packing::MemoryStream copy;
    copy.copyFrom(in, 0);
    EXPECT_EQ(copy.toString(), "contenido");
    in.setPosition(3);
    char buf[3];
    in.readBuffer(buf, 3);
    EXPECT_EQ(std::string(buf, 3), "ten");
    {
        packing::SaveFile f(name); // not committed: the old file stays
        f.stream().writeBuffer("new and longer", 14);
    }
    EXPECT_EQ(packing::FileStream(name, packing::FileStream::OpenRead).size(), 9);

    EXPECT_THROW(packing::FileStream(dir.path().string(), packing::FileStream::OpenRead), packing::EFOpenError);
}

namespace {
// The names of the files in the folder, sorted.
std::vector<std::string> names(const testsupport::TempDir &dir)
{
    std::vector<std::string> out;
    for (const auto &e : std::filesystem::directory_iterator(dir.path()))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

void save(const std::string &name, const std::string &content)
{
    packing::SaveFile f(name);
    f.stream().writeBuffer(content.data(), content.size());
    f.commit();
}

std::string contentOf(const std::string &name)
{
    packing::FileStream in(name, packing::FileStream::OpenRead);
    packing::MemoryStream copy;
    copy.copyFrom(in, 0);
    return copy.toString();
}
} // namespace

// A read-only target is refused as it would be when written in place; a link is written
// through to its target; a name at the file system's limit still works.
TEST(SaveFile, RefusesReadOnlyTargetsWritesThroughLinksAndTakesLongNames)
{
    testsupport::TempDir dir;
    const std::string readOnly = dir.file("solo_lectura.STU");
    save(readOnly, "antes");
    ::chmod(readOnly.c_str(), 0444);
    try {
        save(readOnly, "después");
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const packing::EFCreateError &e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + readOnly);
    }
    EXPECT_EQ(contentOf(readOnly), "antes");

    const std::string target = dir.file("real.CLA"), link = dir.file("enlace.CLA");
    save(target, "uno");
    ASSERT_EQ(::symlink("real.CLA", link.c_str()), 0);
    save(link, "dos");
    struct stat st;
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(contentOf(target), "dos");

    const std::string longest = dir.file(std::string(255 - 4, 'n') + ".STU");
    save(longest, "largo");
    EXPECT_EQ(contentOf(longest), "largo");
    EXPECT_EQ(names(dir).size(), 4u); // nothing else left behind
}

// The replaced file keeps its permissions and, where the writer may give it away, its owner.
// An owner-only file is 0600 when created and when it replaces a file others could read;
// other new files follow the umask.
TEST(SaveFile, KeepsTheModeAndOwnerOfTheReplacedFileAndOwnerOnlyFilesAre0600)
{
    testsupport::TempDir dir;
    const mode_t oldMask = ::umask(022);
    auto modeOf = [](const std::string &name) {
        struct stat st {};
        ::stat(name.c_str(), &st);
        return st.st_mode & 07777;
    };
    auto saveAs = [](const std::string &name, packing::SaveFile::Access access) {
        packing::SaveFile f(name, access);
        f.stream().writeBuffer("k", 1);
        f.commit();
    };
    const std::string name = dir.file("X.STU"), cla = dir.file("X.CLA"), stu = dir.file("Y.STU");
    save(name, "a");
    ::chmod(name.c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(name.c_str(), 12345, 23456), 0);
    }
    save(name, "b");
    struct stat st;
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 12345u);
        EXPECT_EQ(st.st_gid, 23456u);
    }
    saveAs(cla, packing::SaveFile::OwnerOnly);
    EXPECT_EQ(modeOf(cla), 0600u);
    ::chmod(cla.c_str(), 0644);
    saveAs(cla, packing::SaveFile::OwnerOnly);
    EXPECT_EQ(modeOf(cla), 0600u);
    saveAs(stu, packing::SaveFile::UserUmask);
    EXPECT_EQ(modeOf(stu), 0644u);
    ::umask(oldMask);
}

// Temporary files a killed process left behind are removed at the next save in their folder;
// those of a live process, and files merely named alike, are kept.
TEST(SaveFile, RemovesTheTemporariesOfDeadProcessesOnly)
{
    testsupport::TempDir dir;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(0);
    ::waitpid(child, nullptr, 0);
    char dead[32], alive[32];
    std::snprintf(dead, sizeof dead, ".~sv%x-0", static_cast<unsigned>(child));
    std::snprintf(alive, sizeof alive, ".~sv%x-7", static_cast<unsigned>(::getpid()));
    for (const std::string &name : {std::string(dead), std::string(alive), std::string(".~svnotours"), std::string("X.STU.~sv1-1")})
        std::ofstream(dir.file(name)) << "x";
    save(dir.file("X.STU"), "y");
    std::vector<std::string> expected{".~svnotours", alive, "X.STU", "X.STU.~sv1-1"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names(dir), expected);
}
