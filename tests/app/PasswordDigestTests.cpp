#include "PasswordDigest.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(IsPasswordDigestSet(digest), text != std::string(32, '0')) << text;
    return text;
}

// Vectors of RFC 1321, appendix A.5, and the bytes that mean "no password": none, or only zero
// bytes, which digest to zero unless the flag says otherwise.
TEST(PasswordDigest, BytesMatchRfc1321AndZeroMeansNoPassword)
{
    const struct {
        std::string input;
        bool zeroMeansNone;
        const char* md5;
    } cases[] = {
        {"abc", true, "900150983cd24fb0d6963f7d28e17f72"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890", true,
         "57edf4a22be3c955ac49da2e2107b67a"},
        {"", true, "00000000000000000000000000000000"},
        {std::string(6, '\0'), true, "00000000000000000000000000000000"},
        {std::string(6, '\0'), false, "7319468847d7b1aee40dbf5dd963c999"},
    };
    for (const auto& c : cases) {
        uint8_t digest[kPasswordDigestSize];
        EXPECT_TRUE(ComputePasswordDigest(c.input.data(), c.input.size(), digest, c.zeroMeansNone));
        EXPECT_EQ(Hex(digest), c.md5) << c.input.size() << " bytes";
    }
}

// A password is digested as its UTF-16 little-endian code units, two bytes each.
TEST(PasswordDigest, PasswordsDigestTheirUtf16LittleEndianUnits)
{
    const struct {
        std::wstring password;
        const char* md5OfUtf16le;   // computed independently over the UTF-16LE bytes
    } cases[] = {
        {L"abc", "ce1473cf80c6b3fda8e3dfc006adc315"},
        {L"p\u00e4ss\u20ac", "d2e12956274a4b38d183c6ba2ab04b3c"},
        {L"\U0001F600x", "6a97fdfb41c31f10bb93dac13c34eb01"},   // outside the BMP: two units
        {std::wstring(kMaxPasswordLength, L'a'), "e0b34c09c096effb3f0b8bd7cd163c28"},
    };
    for (const auto& c : cases) {
        uint8_t digest[kPasswordDigestSize];
        EXPECT_TRUE(ComputePasswordDigest(c.password.c_str(), digest));
        EXPECT_EQ(Hex(digest), c.md5OfUtf16le);
    }
}

}  // namespace
