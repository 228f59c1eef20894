#include "PasswordDigest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

std::string Hex(const uint8_t (&digest)[kPasswordDigestSize])
{
    std::string text;
    char pair[3];
    for (uint8_t byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}

struct ByteCase {
    std::string input;
    const char* md5;
};

// The test suite of RFC 1321, appendix A.5 (the empty input is covered below: it means "no
// password" and digests to zero).
TEST(PasswordDigest, MatchesRfc1321Suite)
{
    const ByteCase cases[] = {
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const ByteCase& c : cases) {
        uint8_t digest[kPasswordDigestSize];
        ASSERT_TRUE(ComputePasswordDigest(c.input.data(), c.input.size(), digest, true));
        EXPECT_EQ(Hex(digest), c.md5) << c.input;
    }
}

struct TextCase {
    const wchar_t* password;
    const char* md5OfUtf16le;   // computed independently over the UTF-16LE bytes
};

TEST(PasswordDigest, DigestsUtf16LittleEndianUnits)
{
    const TextCase cases[] = {
        // Differs from MD5("abc"): a zero byte follows each ASCII letter.
        {L"abc", "ce1473cf80c6b3fda8e3dfc006adc315"},
        {L"Secret", "a40d74464c4ecf04c65f8b5ad728e35c"},
        {L"secret", "09433e1853385270b51511571e35eeca"},
        {L"p\u00e4ss\u20ac", "d2e12956274a4b38d183c6ba2ab04b3c"},
        // A character outside the BMP is two code units, four bytes.
        {L"\U0001F600x", "6a97fdfb41c31f10bb93dac13c34eb01"},
    };
    for (const TextCase& c : cases) {
        uint8_t digest[kPasswordDigestSize];
        ASSERT_TRUE(ComputePasswordDigest(c.password, digest));
        EXPECT_EQ(Hex(digest), c.md5OfUtf16le);
        EXPECT_TRUE(IsPasswordDigestSet(digest));
    }
}

TEST(PasswordDigest, LongestPasswordSpansSeveralBlocks)
{
    const std::wstring password(kMaxPasswordLength, L'a');
    uint8_t digest[kPasswordDigestSize];
    ASSERT_TRUE(ComputePasswordDigest(password.c_str(), digest));
    EXPECT_EQ(Hex(digest), "e0b34c09c096effb3f0b8bd7cd163c28");
}

TEST(PasswordDigest, NoBytesOrOnlyZeroBytesMeanNoPassword)
{
    const uint8_t zeros[6] = {};
    uint8_t digest[kPasswordDigestSize];
    // Pre-fill so that a digest left untouched would show.
    std::fill(std::begin(digest), std::end(digest), uint8_t{0xAB});
    ASSERT_TRUE(ComputePasswordDigest(zeros, 0, digest, true));
    EXPECT_FALSE(IsPasswordDigestSet(digest));

    std::fill(std::begin(digest), std::end(digest), uint8_t{0xAB});
    ASSERT_TRUE(ComputePasswordDigest(zeros, sizeof zeros, digest, true));
    EXPECT_FALSE(IsPasswordDigestSet(digest));

    std::fill(std::begin(digest), std::end(digest), uint8_t{0xAB});
    ASSERT_TRUE(ComputePasswordDigest(L"", digest));
    EXPECT_FALSE(IsPasswordDigestSet(digest));

    // Without the flag zero bytes are digested like any others.
    ASSERT_TRUE(ComputePasswordDigest(zeros, sizeof zeros, digest, false));
    EXPECT_TRUE(IsPasswordDigestSet(digest));
}

TEST(PasswordDigest, LeadingZeroByteStillDigestsEverything)
{
    const uint8_t bytes[] = {0, 'a'};
    uint8_t digest[kPasswordDigestSize];
    ASSERT_TRUE(ComputePasswordDigest(bytes, sizeof bytes, digest, true));
    EXPECT_EQ(Hex(digest), "760f753576f2955b0074758acb4d5fa6");
}

}  // namespace
