#include "PathUtil.h"

#include <windows.h>

#include <cwchar>

bool AppendPathComponent(wchar_t* path, size_t capacity, const wchar_t* component)
{
    if (!path || !component)
        return false;
    const size_t length = wcsnlen(path, capacity);
    if (length == capacity)
        return false;
    while (*component == L'\\')
        ++component;
    const bool separator = length && path[length - 1] != L'\\';
    const size_t componentLength = wcslen(component);
    if (length + separator + componentLength >= capacity)
        return false;
    if (separator)
        path[length] = L'\\';
    wmemcpy(path + length + separator, component, componentLength + 1);
    return true;
}

namespace {

// Length of the part of `path` that RemoveLastPathComponent never cuts: an opening quote, then
// "X:" with one following backslash, or a leading "\\" or "\".
size_t RootLength(const wchar_t* path)
{
    size_t root = path[0] == L'"' ? 1 : 0;
    if (const wchar_t* colon = wcschr(path + root, L':')) {
        root = static_cast<size_t>(colon - path) + 1;
        if (path[root] == L'\\')
            ++root;
    } else if (path[root] == L'\\') {
        root += path[root + 1] == L'\\' ? 2 : 1;
    }
    return root;
}

} // namespace

bool RemoveLastPathComponent(wchar_t* path)
{
    if (!path || !*path)
        return false;
    const size_t root = RootLength(path);
    wchar_t* cut = wcsrchr(path + root, L'\\');
    if (!cut)
        cut = path + root;
    *cut = L'\0';
    return true;
}

bool IsRelativePath(const wchar_t* path)
{
    return !path || !*path || path[0] == L'"' || (!wcschr(path, L':') && path[0] != L'\\');
}

bool CreateDirectoryTree(const wchar_t* path)
{
    if (IsRelativePath(path))
        return false;
    wchar_t parent[MAX_PATH + 1];
    const size_t length = wcsnlen(path, MAX_PATH + 1);
    if (length > MAX_PATH)
        return false;
    wmemcpy(parent, path, length + 1);
    RemoveLastPathComponent(parent);
    const size_t parentLength = wcslen(parent);
    // A root the cut cannot shorten (such as "ab:\") would otherwise recurse without end.
    if (parentLength > 3 && parentLength < length) {
        CreateDirectoryTree(parent);
        return CreateDirectoryW(path, nullptr);
    }
    if (parentLength <= 3 && parent[0] && parent[1] == L':')
        return CreateDirectoryW(path, nullptr);
    return false;
}

bool QuoteIfHasSpace(wchar_t* path, size_t capacity)
{
    if (!path)
        return false;
    const size_t length = wcsnlen(path, capacity);
    if (length == capacity)
        return false;
    if (!length || (path[0] == L'"' && path[length - 1] == L'"') || !wcspbrk(path, L" \t"))
        return true;
    if (length + 2 >= capacity)
        return false;
    wmemmove(path + 1, path, length);
    path[0] = L'"';
    path[length + 1] = L'"';
    path[length + 2] = L'\0';
    return true;
}
