#pragma once
#include <cstddef>

constexpr wchar_t kHelpFileName[] = L"help.html";

// The offline help page installed beside the program: <program folder>\help.html. False (and
// `path` empty) when the program's path is unknown or the result does not fit.
bool BuildHelpFilePath(wchar_t* path, size_t capacity);

// Opens the help page in the user's default browser. There is no web site for the product:
// the About page's "Web Site" button opens this page too.
void OpenHelpFile();
