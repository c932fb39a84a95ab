// Ends through one of the C++ runtime's error paths, named by the first argument, or returns
// 0 without one. Built once like the shipped exe (src/platform/win32/mingw/runtime.cpp, no
// exceptions) and once with the standard runtime, so that the two ways of ending can be
// compared.
#include <cstddef>
#include <exception>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {
char* volatile kept;  // an allocation the compiler may not leave out
}

int wmain(int argc, wchar_t** argv) {
    const std::wstring path = argc > 1 ? argv[1] : L"";
    const auto some = static_cast<std::size_t>(argc);  // a number the compiler cannot know
    if (path == L"range") {
        const std::vector<int> empty;
        return empty.at(some);
    }
    if (path == L"length") {
        std::string text;
        text.reserve(text.max_size() + some);
        return static_cast<int>(text.capacity());
    }
    if (path == L"memory") {
        kept = new char[std::numeric_limits<std::size_t>::max() / 2 + some];
        return kept[0];
    }
    if (path == L"function") {
        const std::function<int()> empty;
        return empty();
    }
    if (path == L"terminate") std::terminate();
    return 0;
}
