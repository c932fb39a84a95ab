// Containment: whatever the spelling, a candidate that is_within accepts never lies outside
// its base once the path is walked component by component the way Windows resolves it.
// Paths are built from tokens so that the fuzzer spends its time on separators, dots,
// prefixes and letter case rather than on random text.
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/text.h"
#include "platform/winpath.h"
#include "safety/paths.h"

namespace {

using tu::PString;

constexpr const char16_t* tokens[] = {
    u"C:", u"\\", u"/", u"..", u".", u"Tarvo", u"tarvo", u"TARVO", u"Tarvo2", u"App", u"x",
    u"\\\\?\\", u"\\??\\", u"D:", u"Data", u"..\\", u"\\\\", u" ", u"\u010c", u"\u010d",
};
constexpr std::size_t token_count = sizeof(tokens) / sizeof(tokens[0]);

// Walks the absolute form lexically: '/' as '\', one verbatim prefix dropped, '.' skipped,
// '..' climbing but never above the drive, ASCII letters folded.
std::optional<std::string> lexical_walk(const PString& absolute) {
    std::string text = tu::to_utf8(absolute);
    for (char& c : text) if (c == '/') c = '\\';
    for (std::string_view prefix : {"\\\\?\\", "\\??\\"})
        if (text.starts_with(prefix)) { text.erase(0, prefix.size()); break; }
    if (text.size() < 3 || text[1] != ':' || text[2] != '\\') return std::nullopt;
    std::vector<std::string> parts{tu::ascii_lower(text.substr(0, 2))};
    std::size_t i = 3;
    while (i <= text.size()) {
        std::size_t end = text.find('\\', i);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(i, end - i);
        if (part == "..") { if (parts.size() > 1) parts.pop_back(); }
        else if (!part.empty() && part != ".") parts.push_back(tu::ascii_lower(part));
        i = end + 1;
    }
    std::string out;
    for (const std::string& part : parts) out += (out.empty() ? "" : "\\") + part;
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tu;
    PString paths[2];
    int which = 0;
    for (std::size_t i = 0; i < size && which < 2; ++i) {
        if (data[i] == 0xFF) { ++which; continue; }
        paths[which] += tokens[data[i] % token_count];
    }
    const PString& base = paths[0];
    const PString& candidate = paths[1];

    fake::FakePlatform os;
    os.add_file(u"C:\\Tarvo\\App\\app.exe");
    os.add_dir(u"C:\\Tarvo2");
    os.add_dir(u"C:\\Data");
    const auto within = is_within(os, base, candidate);
    if (!within || !*within) return 0;

    const auto abs_base = make_absolute(os, base);
    const auto abs_candidate = make_absolute(os, candidate);
    if (!abs_base || !abs_candidate) std::abort();
    const auto walked_base = lexical_walk(*abs_base);
    const auto walked_candidate = lexical_walk(*abs_candidate);
    if (!walked_base || !walked_candidate) return 0;
    if (*walked_candidate != *walked_base && !walked_candidate->starts_with(*walked_base + "\\")) std::abort();
    return 0;
}
