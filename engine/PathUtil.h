#pragma once
#include <cstddef>

// Path helpers on fixed wide-character buffers, modified in place. `capacity` counts the
// buffer's units including the terminating NUL; an operation that would not fit fails and
// leaves the buffer as it was.
bool AppendPathComponent(wchar_t* path, size_t capacity, const wchar_t* component);
bool RemoveLastPathComponent(wchar_t* path);
bool IsRelativePath(const wchar_t* path);
bool CreateDirectoryTree(const wchar_t* path);
bool QuoteIfHasSpace(wchar_t* path, size_t capacity);
