#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "packing/PackStreamRoutines.h"
#include "support/EngineTables.h"

namespace {

std::vector<uint8_t> fromHex(const std::string &h)
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < h.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(h.substr(i, 2), nullptr, 16)));
    return out;
}

std::string toHex(const uint8_t *p, size_t n)
{
    std::string out;
    char buf[3];
    for (size_t i = 0; i < n; i++) {
        std::snprintf(buf, sizeof buf, "%02X", p[i]);
        out += buf;
    }
    return out;
}

// The published vectors write each half big-endian; this cipher reads halves little-endian,
// so each half's bytes are reversed on the way in and out.
void swapHalves(uint8_t *block)
{
    std::swap(block[0], block[3]);
    std::swap(block[1], block[2]);
    std::swap(block[4], block[7]);
    std::swap(block[5], block[6]);
}

std::string encipherVector(const std::vector<uint8_t> &key, const std::string &plainHex)
{
    EXPECT_TRUE(BlowfishInit(key.data(), static_cast<uint8_t>(key.size())));
    std::vector<uint8_t> block = fromHex(plainHex);
    swapHalves(block.data());
    BlowfishEncryptBuffer(block.data(), 8);
    swapHalves(block.data());
    return toHex(block.data(), 8);
}

std::string encrypt(const std::string &plain, const std::string &key)
{
    packing::MemoryStream s(plain);
    EncryptStream(s, key);
    return s.toString();
}

std::string decrypt(const std::string &cipher, const std::string &key)
{
    packing::MemoryStream s(cipher);
    DecryptStream(s, key);
    return s.toString();
}

// Found by searching keys of this form; its schedule repeats an entry within an S-box.
const std::string kWeakKey = "weak50582";

} // namespace

TEST(Blowfish, InitialTablesAreThoseTheGeneratorComputes)
{
    const testsupport::TempDir folder;
    const std::string generated = folder.file("pi_tables.h");
    const std::string cmd = std::string(ORV_BIN_DIR) + "/gen_blowfish_tables " + generated;
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    auto slurp = [](const std::string &name) {
        std::ifstream f(name, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    };
    const std::string checkedIn = slurp(std::string(ORV_SOURCE_DIR) + "/src/packing/BlowfishPiTables.h");
    EXPECT_FALSE(checkedIn.empty());
    EXPECT_EQ(slurp(generated), checkedIn);
}

// The electronic-codebook test vectors published with the cipher by its designer (the set
// compiled by Eric Young), 8-byte keys.
TEST(Blowfish, PublishedEcbVectors)
{
    const struct {
        const char *key, *plain, *cipher;
    } vectors[] = {
        {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
        {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
        {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
        {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
        {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
        {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
        {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
        {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
        {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
        {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
        {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
        {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
        {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
        {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
        {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
        {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
    };
    for (const auto &v : vectors) {
        SCOPED_TRACE(v.key);
        EXPECT_EQ(encipherVector(fromHex(v.key), v.plain), v.cipher);
        // And back, through the block routine with the halves as numbers.
        std::vector<uint8_t> c = fromHex(v.cipher);
        uint32_t l = (uint32_t(c[0]) << 24) | (c[1] << 16) | (c[2] << 8) | c[3];
        uint32_t r = (uint32_t(c[4]) << 24) | (c[5] << 16) | (c[6] << 8) | c[7];
        BlowfishDecryptBlock(l, r);
        char back[17];
        std::snprintf(back, sizeof back, "%08X%08X", l, r);
        EXPECT_EQ(back, std::string(v.plain));
    }
}

// The same set's vectors for keys of 1 to 24 bytes, the prefixes of one key; keys beyond
// 8 bytes exercise the cycling of the key over the 72 schedule positions.
TEST(Blowfish, PublishedVariableKeyVectors)
{
    const std::vector<uint8_t> key = fromHex("F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677");
    const char *expected[] = {
        "F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05",
        "B39E44481BDB1E6E", "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82",
        "15750E7A4F4EC577", "122BA70B3AB64AE0", "3A833C9AFFC537F6", "9409DA87A90F6BF2",
        "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F", "93142887EE3BE15C",
        "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
        "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080",
    };
    for (size_t n = 1; n <= key.size(); n++) {
        SCOPED_TRACE(n);
        EXPECT_EQ(encipherVector(std::vector<uint8_t>(key.begin(), key.begin() + long(n)), "FEDCBA9876543210"),
                  expected[n - 1]);
    }
}

TEST(Blowfish, KeyBytesCycleOverAllSeventyTwoPositions)
{
    const std::string block(8, 'B');
    // One byte is every key position; a key written twice in a row schedules the same.
    EXPECT_EQ(encrypt(block, "k"), encrypt(block, std::string(72, 'k')));
    EXPECT_EQ(encrypt(block, "clave"), encrypt(block, "claveclave"));
    EXPECT_NE(encrypt(block, "clave"), encrypt(block, "clavf"));
    // No 56-byte limit: byte 60 counts; beyond 72 nothing counts.
    const std::string base(70, 'x');
    EXPECT_NE(encrypt(block, base.substr(0, 60) + "a"), encrypt(block, base.substr(0, 60) + "b"));
    EXPECT_EQ(encrypt(block, base + "ab" + "1"), encrypt(block, base + "ab" + "2"));
    // A key longer than 255 bytes uses its first 255, of which the first 72 count.
    EXPECT_EQ(encrypt(block, std::string(300, 'q')), encrypt(block, std::string(72, 'q')));
}

TEST(Blowfish, PaddingFillsToWholeBlocksAndACountOutOfRangeFails)
{
    const struct {
        size_t size, padded;
        uint8_t p;
    } cases[] = {{0, 8, 7}, {6, 8, 1}, {7, 16, 8}, {12, 16, 3}, {15, 24, 8}, {16, 24, 7}};
    for (const auto &c : cases) {
        packing::MemoryStream s(std::string(c.size, 'd'));
        PadStream(s);
        ASSERT_EQ(size_t(s.size()), c.padded);
        EXPECT_EQ(s.data()[c.padded - 1], c.p);
        for (size_t i = c.size; i + 1 < c.padded; i++)
            EXPECT_EQ(s.data()[i], 1);
    }
    // A padding count out of range fails.
    ASSERT_TRUE(BlowfishSetKey("k"));
    auto enciphered = [](std::vector<uint8_t> plain) {
        BlowfishEncryptBuffer(plain.data(), plain.size());
        return std::string(plain.begin(), plain.end());
    };
    EXPECT_THROW(decrypt(enciphered({0, 0, 0, 0, 0, 0, 0, 9}), "k"), EBadPadding);        // above 8
    EXPECT_THROW(decrypt(enciphered({0, 0, 0, 0, 0, 0, 0, 8}), "k"), EBadPadding);        // longer than the stream
    EXPECT_EQ(decrypt(enciphered({1, 1, 1, 1, 1, 1, 1, 7}), "k"), "");                    // whole block of padding
    EXPECT_EQ(decrypt(enciphered({'a', 0, 0, 0, 0, 0, 0, 0}), "k"), std::string("a\0\0\0\0\0\0", 7));
}

TEST(Blowfish, StreamsRoundTripAndCipherIsCodebook)
{
    for (size_t n = 0; n < 40; n++) {
        const std::string plain(n, static_cast<char>('a' + n % 26));
        const std::string cipher = encrypt(plain, "Vs. 3.41");
        EXPECT_EQ(cipher.size(), n == 0 ? 0 : (n + 1) / 8 * 8 + 8);
        EXPECT_EQ(decrypt(cipher, "Vs. 3.41"), plain);
    }
    // No chaining and no salt: equal blocks give equal ciphertext, and so do repeated calls.
    const std::string c = encrypt(std::string(23, 'z'), "key");
    EXPECT_EQ(c.substr(0, 8), c.substr(8, 8));
    EXPECT_EQ(c, encrypt(std::string(23, 'z'), "key"));
    // Another key gives other bytes, or fails on the padding.
    try {
        EXPECT_NE(decrypt(c, "kez"), std::string(23, 'z'));
    } catch (const EBadPadding &) {
    }
}

// Empty streams stay empty; an empty key cannot cipher; a weak key leaves streams as they are.
TEST(Blowfish, EmptyStreamsEmptyKeysAndWeakKeys)
{
    EXPECT_EQ(encrypt("", "key"), "");
    EXPECT_EQ(decrypt("", "key"), "");
    EXPECT_EQ(encrypt("", ""), "");
    EXPECT_THROW(encrypt("data", ""), EDivByZero);
    EXPECT_THROW(decrypt("12345678", ""), EDivByZero);
    EXPECT_THROW(BlowfishInit(nullptr, 0), EDivByZero);
    EXPECT_FALSE(BlowfishSetKey(kWeakKey));
    EXPECT_FALSE(BlowfishInit(reinterpret_cast<const uint8_t *>(kWeakKey.data()), uint8_t(kWeakKey.size())));
    EXPECT_TRUE(BlowfishSetKey("weak50581"));
    EXPECT_EQ(encrypt("plain text", kWeakKey), "plain text");
    EXPECT_EQ(decrypt("plain text", kWeakKey), "plain text");
}

TEST(Blowfish, ResetRestoresTheInitialState)
{
    uint32_t l1 = 1, r1 = 2, l2 = 1, r2 = 2;
    BlowfishReset();
    BlowfishEncryptBlock(l1, r1);
    ASSERT_TRUE(BlowfishSetKey("other"));
    BlowfishReset();
    BlowfishEncryptBlock(l2, r2);
    EXPECT_EQ(l1, l2);
    EXPECT_EQ(r1, r2);
    BlowfishDecryptBlock(l2, r2);
    EXPECT_EQ(l2, 1u);
    EXPECT_EQ(r2, 2u);
}
