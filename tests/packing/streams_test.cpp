#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "packing/Streams.h"

TEST(MemoryStream, ReadsWritesAndSeeksLikeAFile)
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
}

TEST(MemoryStream, CopyFromWithCountZeroTakesTheWholeSource)
{
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

TEST(FileStream, WritesAndReadsBackThroughASaveFile)
{
    const std::string name = testing::TempDir() + "/streams_test_" + std::to_string(::getpid()) + ".bin";
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
    std::remove(name.c_str());

    EXPECT_THROW(packing::FileStream(testing::TempDir(), packing::FileStream::OpenRead), packing::EFOpenError);
}

TEST(FileStream, UncommittedSaveLeavesTheOldFile)
{
    const std::string name = testing::TempDir() + "/streams_keep_" + std::to_string(::getpid()) + ".bin";
    {
        packing::SaveFile f(name);
        f.stream().writeBuffer("old", 3);
        f.commit();
    }
    {
        packing::SaveFile f(name);
        f.stream().writeBuffer("new and longer", 14);
    }
    packing::FileStream in(name, packing::FileStream::OpenRead);
    EXPECT_EQ(in.size(), 3);
    std::remove(name.c_str());
}
