#include "PasswordDigest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Vectors of RFC 1321 (appendix A.5); the bytes that mean "no password" (none, or zero bytes
// only, unless the flag says otherwise); and passwords, digested as their UTF-16LE code units
// (digests computed independently over those bytes).
TEST(PasswordDigest, BytesMatchRfc1321ZeroMeansNoPasswordAndPasswordsAreUtf16)
{
    const std::string none(32, '0');
    const struct {
        std::wstring password;   // when not empty, digested instead of the bytes
        std::string bytes;
        bool zeroMeansNone;
        std::string md5;
    } cases[] = {
        {L"", "abc", true, "900150983cd24fb0d6963f7d28e17f72"},
        {L"", "", true, none},
        {L"", std::string(6, '\0'), true, none},
        {L"", std::string(6, '\0'), false, "7319468847d7b1aee40dbf5dd963c999"},
        {L"abc", "", true, "ce1473cf80c6b3fda8e3dfc006adc315"},
        {L"\U0001F600x", "", true, "6a97fdfb41c31f10bb93dac13c34eb01"},   // outside the BMP: two units
        {std::wstring(kMaxPasswordLength, L'a'), "", true, "e0b34c09c096effb3f0b8bd7cd163c28"},
    };
    for (const auto& c : cases) {
        uint8_t digest[kPasswordDigestSize];
        EXPECT_TRUE(c.password.empty() ? ComputePasswordDigest(c.bytes.data(), c.bytes.size(), digest, c.zeroMeansNone)
                                       : ComputePasswordDigest(c.password.c_str(), digest));
        std::string hex;
        for (uint8_t byte : digest) {
            char pair[3];
            std::snprintf(pair, sizeof pair, "%02x", byte);
            hex += pair;
        }
        EXPECT_EQ(hex, c.md5) << c.bytes.size() << " bytes";
    }
}

}  // namespace
