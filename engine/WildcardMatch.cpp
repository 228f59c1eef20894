#include "FilterList.h"
#include "AsciiFold.h"

// Hand-written: PathMatchSpecW folds case by locale and treats '?' and '.' differently, and the
// matcher must not allocate. One restart point suffices for '*' and '?' patterns.
bool WildcardMatch(const wchar_t* text, const wchar_t* pattern, bool caseSensitive, bool matchAnywhere)
{
    if (!pattern)
        return false;
    if (!text)
        text = L"";

    const wchar_t* t = text;
    const wchar_t* p = pattern;
    const wchar_t* restartPattern = nullptr;
    const wchar_t* restartText = nullptr;

    while (*t) {
        const wchar_t ch = *p;
        if (ch == L'*') {
            ++p;
            if (!*p)
                return true;
            restartPattern = p;
            restartText = t + 1;
            continue;
        }
        if (matchAnywhere && !restartPattern) {
            // Implicit leading '*': the pattern may start matching anywhere in the text.
            restartPattern = p;
            restartText = t;
            continue;
        }
        if (ch == L'?' && *t != L'.') {
            ++p;
            ++t;
            continue;
        }
        const bool equal = caseSensitive ? ch == *t : FoldAsciiLetter(ch) == FoldAsciiLetter(*t);
        if (equal) {
            ++p;
            ++t;
            continue;
        }
        if (matchAnywhere && !ch)
            break;   // implicit trailing '*': the rest of the text is ignored
        if (!restartPattern)
            return false;
        p = restartPattern;
        t = restartText++;
    }

    while (*p == L'*')
        ++p;
    return !*p;
}
