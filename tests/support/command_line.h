// Quoting one argument so that CommandLineToArgvW (and the C runtime) split it back exactly:
// backslashes are literal except before a quote, where they must be doubled. Every test
// program that starts another builds its command line with this.
#pragma once

#include <string>
#include <string_view>

namespace tu::test_support {

inline std::wstring quote_argument(std::wstring_view arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring_view::npos) return std::wstring(arg);
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') out.append(backslashes * 2 + 1, L'\\');
        else out.append(backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

}  // namespace tu::test_support
