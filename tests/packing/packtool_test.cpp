#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "packing/PackStreamCol.h"
#include "support/EngineTables.h"

namespace {

void writeFile(const std::string &name, const std::string &bytes)
{
    std::ofstream(name, std::ios::binary) << bytes;
}

std::string readFile(const std::string &name)
{
    std::ifstream f(name, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

class Packtool : public ::testing::Test {
protected:
    // The test's own folder, removed at its end.
    testsupport::TempDir folder;
    std::string dir() const { return folder.path().string(); }

    // Runs packtool; returns its exit status, with its standard error in `err`.
    int packtool(const std::string &args, std::string *err = nullptr)
    {
        const std::string errFile = dir() + "/packtool.err";
        const int rc = std::system((std::string(ORV_BIN_DIR) + "/packtool " + args + " 2>" + errFile).c_str());
        if (err)
            *err = readFile(errFile);
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }
};

} // namespace

TEST_F(Packtool, CompressesEnciphersAndUnpacksFiles)
{
    const std::string in = dir() + "/pt_in", c = dir() + "/pt_c", d = dir() + "/pt_d";
    std::string text;
    for (int i = 0; i < 500; i++)
        text += "linea " + std::to_string(i % 37) + " de texto\n";
    writeFile(in, text);
    ASSERT_EQ(packtool("lzh-c " + in + " " + c), 0);
    ASSERT_EQ(packtool("lzh-d " + c + " " + d), 0);
    EXPECT_EQ(readFile(d), text);
    ASSERT_EQ(packtool("bf-e clave " + in + " " + c), 0);
    EXPECT_EQ(readFile(c).size() % 8, 0u);
    ASSERT_EQ(packtool("bf-d clave " + c + " " + d), 0);
    EXPECT_EQ(readFile(d), text);

    TPackStreams box;
    box.Encrypted = true;
    box.Key = "pw";
    packing::MemoryStream item(text);
    box.AddStream("FE_STU", item);
    box.SaveToFile(dir() + "/pt_box");
    ASSERT_EQ(packtool("box-get " + dir() + "/pt_box fe_stu " + d + " pw"), 0);
    EXPECT_EQ(readFile(d), text);
    EXPECT_EQ(packtool("box-ls " + dir() + "/pt_box pw"), 0);
}

TEST_F(Packtool, CorruptInputPrintsTheFailureAndExitsWithOne)
{
    const std::string bad = dir() + "/pt_bad", out = dir() + "/pt_out";
    writeFile(bad, std::string("\x0A\x00\x00\x00\x00\x01\xFF\xFF\xFF\xFF", 10));
    std::string err;
    EXPECT_EQ(packtool("lzh-d " + bad + " " + out, &err), 1);
    EXPECT_EQ(err, "Compressed file is corrupt\n");
    EXPECT_EQ(packtool("box-ls " + bad, &err), 1);
    EXPECT_EQ(err, "File is corrupt.\n");
    EXPECT_EQ(packtool("box-ls " + dir() + "/pt_missing", &err), 1);
    EXPECT_EQ(err, "Cannot open file " + dir() + "/pt_missing\n");
    EXPECT_EQ(packtool("nonsense"), 2);
}
