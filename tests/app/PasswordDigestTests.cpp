#include "PasswordDigest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

// Digests into a buffer pre-filled so that a digest left untouched would show; the hex text.
template <class Compute>
std::string HexDigest(Compute compute)
{
    uint8_t digest[kPasswordDigestSize];
    std::fill(std::begin(digest), std::end(digest), uint8_t{0xAB});
    EXPECT_TRUE(compute(digest));
    std::string text;
    char pair[3];
    for (uint8_t byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    EXPECT_EQ(IsPasswordDigestSet(digest), text != std::string(32, '0')) << text;
    return text;
}

const char kNoPassword[] = "00000000000000000000000000000000";

// The test suite of RFC 1321, appendix A.5, and the bytes that mean "no password": none, or only
// zero bytes, which digest to zero unless the flag says otherwise.
TEST(PasswordDigest, BytesMatchRfc1321AndZeroMeansNoPassword)
{
    const struct {
        std::string input;
        bool zeroMeansNone;
        const char* md5;
    } cases[] = {
        {"a", true, "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", true, "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", true, "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", true, "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", true,
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890", true,
         "57edf4a22be3c955ac49da2e2107b67a"},
        {"", true, kNoPassword},
        {std::string(6, '\0'), true, kNoPassword},
        {std::string(6, '\0'), false, "7319468847d7b1aee40dbf5dd963c999"},
        {std::string("\0a", 2), true, "760f753576f2955b0074758acb4d5fa6"},   // a leading zero byte
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HexDigest([&](auto& d) { return ComputePasswordDigest(c.input.data(), c.input.size(), d, c.zeroMeansNone); }),
            c.md5) << c.input.size() << " bytes";
    }
}

TEST(PasswordDigest, PasswordsDigestTheirUtf16LittleEndianUnits)
{
    const struct {
        std::wstring password;
        const char* md5OfUtf16le;   // computed independently over the UTF-16LE bytes
    } cases[] = {
        // Differs from MD5("abc"): a zero byte follows each ASCII letter.
        {L"abc", "ce1473cf80c6b3fda8e3dfc006adc315"},
        {L"Secret", "a40d74464c4ecf04c65f8b5ad728e35c"},
        {L"secret", "09433e1853385270b51511571e35eeca"},
        {L"p\u00e4ss\u20ac", "d2e12956274a4b38d183c6ba2ab04b3c"},
        // A character outside the BMP is two code units, four bytes.
        {L"\U0001F600x", "6a97fdfb41c31f10bb93dac13c34eb01"},
        // The longest password spans several blocks.
        {std::wstring(kMaxPasswordLength, L'a'), "e0b34c09c096effb3f0b8bd7cd163c28"},
        {L"", kNoPassword},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HexDigest([&](auto& d) { return ComputePasswordDigest(c.password.c_str(), d); }), c.md5OfUtf16le);
}

}  // namespace
