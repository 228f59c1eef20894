#include "PasswordDigest.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <cwchar>

#include "UniqueHandle.h"

namespace {

NTSTATUS WINAPI CloseAlgorithm(BCRYPT_ALG_HANDLE algorithm)
{
    return BCryptCloseAlgorithmProvider(algorithm, 0);
}
using UniqueAlgorithm = UniqueHandle<BCRYPT_ALG_HANDLE, &CloseAlgorithm>;
using UniqueHash = UniqueHandle<BCRYPT_HASH_HANDLE, &BCryptDestroyHash>;

bool Succeeded(NTSTATUS status) { return status >= 0; }

bool Md5(const uint8_t* data, size_t length, uint8_t (&digest)[kPasswordDigestSize])
{
    // mingw's headers lack BCRYPT_MD5_ALG_HANDLE, so the provider is opened by name.
    BCRYPT_ALG_HANDLE rawAlgorithm = nullptr;
    if (!Succeeded(BCryptOpenAlgorithmProvider(&rawAlgorithm, BCRYPT_MD5_ALGORITHM, nullptr, 0)))
        return false;
    UniqueAlgorithm algorithm(rawAlgorithm);

    BCRYPT_HASH_HANDLE rawHash = nullptr;
    if (!Succeeded(BCryptCreateHash(algorithm.get(), &rawHash, nullptr, 0, nullptr, 0, 0)))
        return false;
    UniqueHash hash(rawHash);

    // BCryptHashData takes at most a ULONG at a time; a password is far below that.
    if (length > 0xFFFFFFFFu)
        return false;
    if (!Succeeded(BCryptHashData(hash.get(), const_cast<PUCHAR>(data), static_cast<ULONG>(length), 0)))
        return false;
    return Succeeded(BCryptFinishHash(hash.get(), digest, kPasswordDigestSize, 0));
}

}  // namespace

bool ComputePasswordDigest(const void* data, size_t length, uint8_t (&digest)[kPasswordDigestSize],
                           bool zeroIfAllZero)
{
    std::memset(digest, 0, sizeof digest);
    if (length == 0)
        return true;
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (zeroIfAllZero) {
        size_t i = 0;
        while (i < length && bytes[i] == 0)
            ++i;
        if (i == length)
            return true;
    }
    if (Md5(bytes, length, digest))
        return true;
    std::memset(digest, 0, sizeof digest);
    return false;
}

bool ComputePasswordDigest(const wchar_t* password, uint8_t (&digest)[kPasswordDigestSize])
{
    static_assert(sizeof(wchar_t) == 2, "passwords are digested as UTF-16 code units");
    const size_t length = password ? wcslen(password) : 0;
    // Little-endian in memory on every target, so the units are already the bytes to digest.
    return ComputePasswordDigest(password, length * sizeof(wchar_t), digest, true);
}
