#include "FilterText.h"

#include <gtest/gtest.h>

namespace {

// What editors write: a byte-order mark, LF or CRLF, empty lines, a tab inside a pattern, the
// limit in UTF-16 units (the snowman is three bytes, one unit), written back with CRLF and no
// mark. Otherwise the first bad line, blank lines counted, and nothing taken. Only A-Z fold, as
// in the filter list: é and É are two filters.
TEST(FilterText, ReadsWhatEditorsWriteAndNamesTheFirstBadLine)
{
    using E = FilterTextError;
    const std::string p259(259, 'p');
    const struct { std::string text; E error; size_t line; std::string written = ""; } cases[] = {
        {"\xEF\xBB\xBF" "7\ta\n\n007\tb\tc\r\n0\t\xE2\x98\x83" + p259, E::None, 0,
         "7\ta\r\n7\tb\tc\r\n0\t\xE2\x98\x83" + p259 + "\r\n"},
        {"1\ta\r\n \r\n", E::BadTransparency, 2}, {"\n+5\tb", E::BadTransparency, 2}, {"0099\ta", E::BadTransparency, 1},
        {"1\ta\n5", E::EmptyPattern, 2}, {"1\t\xC3\xA9\n2\t\xC3\x89\n3\tMail\n4\tmAIL", E::DuplicatePattern, 4},
        {"1\ta\n2\t\xC0\xAF", E::NotText, 2}, {"1\t\xED\xA0\x80", E::NotText, 1}, {std::string("1\tb\0c", 5), E::NotText, 1}};
    for (const auto& c : cases) {
        std::vector<FilterEntry> filters;
        FilterTextProblem problem;
        EXPECT_TRUE(ParseFilterText(c.text, filters, problem) == (c.error == E::None) && problem.error == c.error
                    && problem.line == c.line && FormatFilterText(filters) == c.written)
            << c.text << " -> " << int(problem.error) << " at " << problem.line;
    }
}

}  // namespace
