#pragma once
#include <cstddef>
#include <string>

// Patterns and the matcher fold only A-Z: locale-aware case mapping (CharUpperW,
// CompareStringOrdinal) would fold other letters too and change which filters are equal.
inline wchar_t FoldAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - (L'a' - L'A')) : c;
}

// Compares at most `maxLength` characters of two NUL-terminated strings with A-Z folded.
inline bool EqualFoldingAscii(const wchar_t* a, const wchar_t* b, size_t maxLength)
{
    for (size_t i = 0; i < maxLength; ++i) {
        if (FoldAsciiLetter(a[i]) != FoldAsciiLetter(b[i]))
            return false;
        if (!a[i])
            return true;
    }
    return true;
}

// What EqualFoldingAscii compares: the first `maxLength` characters with A-Z folded, as a key
// for a hash of patterns.
inline std::wstring FoldedKey(const wchar_t* text, size_t maxLength)
{
    std::wstring key;
    for (size_t i = 0; i < maxLength && text[i]; ++i)
        key += FoldAsciiLetter(text[i]);
    return key;
}
