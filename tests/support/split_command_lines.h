// Command lines and the arguments Windows splits them into (CommandLineToArgvW): the unit
// tests hold the helper's own splitting to them on every host, and the Win32 tests hold
// them to the shell's own splitting under Wine, so that the table cannot be wrong unnoticed.
#pragma once

#include <string>
#include <vector>

namespace tu::test_support {

struct SplitCommandLine {
    std::u16string line;
    std::vector<std::u16string> args;  // the program name first
};

inline const std::vector<SplitCommandLine>& split_command_lines() {
    static const std::vector<SplitCommandLine> table = {
        {u"helper.exe", {u"helper.exe"}},
        {u"helper.exe --mode full", {u"helper.exe", u"--mode", u"full"}},
        {u"helper.exe  \t --mode\t\tfull  ", {u"helper.exe", u"--mode", u"full"}},
        // The program name: quotes delimit it, backslashes are plain, and it ends at its quote.
        {u"\"C:\\Temp\\ns a\\tarvo-untarvo.exe\" x", {u"C:\\Temp\\ns a\\tarvo-untarvo.exe", u"x"}},
        {u"\"C:\\a b\\\"x y", {u"C:\\a b\\", u"x", u"y"}},
        {u"C:\\a\"b c", {u"C:\\a\"b", u"c"}},
        {u" leading", {u"", u"leading"}},
        // Quoted values with spaces and non-ASCII names, empty values.
        {u"h --desktop \"C:\\Users\\J\u00E1n\\Desktop\" --start-menu \"\"",
         {u"h", u"--desktop", u"C:\\Users\\J\u00E1n\\Desktop", u"--start-menu", u""}},
        {u"h a\"b c\"d", {u"h", u"ab cd"}},
        // Backslashes: literal unless before a quote, where 2n give n and a quote that opens or
        // closes, 2n+1 give n and a literal quote.
        {u"h C:\\Tarvo\\ \"C:\\\\\" x", {u"h", u"C:\\Tarvo\\", u"C:\\", u"x"}},
        {u"h \"C:\\\" x\"", {u"h", u"C:\" x"}},
        {u"h a\\\\\\\"b \\\\\\\\\"c d\"", {u"h", u"a\\\"b", u"\\\\c d"}},
        // Quotes in a row: "" inside a quoted stretch is a quote and ends it; a third in a
        // row is a literal quote.
        {u"h \"a\"\"b\" c", {u"h", u"a\"b c"}},
        {u"h \"\"\"\" x", {u"h", u"\" x"}},
        {u"h \"\"\"a\"\"\" b", {u"h", u"\"a\"", u"b"}},
        {u"h \"unterminated arg", {u"h", u"unterminated arg"}},
        {u"h --product-name \"x\ny\"", {u"h", u"--product-name", u"x\ny"}},
    };
    return table;
}

}  // namespace tu::test_support
