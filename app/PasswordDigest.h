#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t kPasswordDigestSize = 16;
constexpr size_t kMaxPasswordLength = 255;   // characters; both password edits are limited to it

// MD5 (RFC 1321) of `length` bytes, computed by the system's own provider. Callers pass a
// password's UTF-16LE code units without the terminator. The all-zero digest means "no
// password": it results for no bytes and, with zeroIfAllZero, for bytes that are all zero.
// Returns false (digest all zero) only when the system provider fails, so that a caller never
// mistakes a failed computation for "no password".
bool ComputePasswordDigest(const void* data, size_t length, uint8_t (&digest)[kPasswordDigestSize],
                           bool zeroIfAllZero);

// The digest of a password text as the dialogs hold it: its UTF-16 code units, two bytes each.
bool ComputePasswordDigest(const wchar_t* password, uint8_t (&digest)[kPasswordDigestSize]);
