#include "safety/paths.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/error_text.h"
#include "platform/text.h"
#include "platform/winpath.h"

namespace tu {
namespace {

bool starts_with(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// Removes at most one verbatim prefix, so that \\?\C:\x compares equal to C:\x and
// \\?\UNC\srv\share to \\srv\share. The order matters: \\?\UNC\ must be tried before the
// shorter \\?\ it begins with, or the UNC form would lose its leading \\.
std::string strip_verbatim_prefix(std::string text) {
    if (starts_with(text, R"(\\?\UNC\)")) return R"(\\)" + text.substr(8);
    if (starts_with(text, R"(\\?\)")) return text.substr(4);
    if (starts_with(text, R"(\??\)")) return text.substr(4);
    return text;
}

// Folds "." and ".." the way Windows does when it opens a path, so that a path that cannot
// be opened is judged by the place it would name: C:\Tarvo\..\x names C:\x, which is not
// inside C:\Tarvo, whatever its spelling begins with. ".." never climbs above the drive or
// the share. Forms other than X:\... and \\server\share\... are left as they are.
std::string fold_dot_components(const std::string& text) {
    std::size_t root_end = 0;
    if (text.size() >= 3 && text[1] == ':' && text[2] == '\\') {
        root_end = 2;
    } else if (starts_with(text, R"(\\)")) {
        const std::size_t server_end = text.find('\\', 2);
        if (server_end == std::string::npos) return text;
        root_end = std::min(text.find('\\', server_end + 1), text.size());
    } else {
        return text;
    }
    std::vector<std::string_view> parts;
    const std::string_view rest = std::string_view(text).substr(root_end);
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find('\\', start);
        if (end == std::string_view::npos) end = rest.size();
        const std::string_view part = rest.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out = text.substr(0, root_end);
    for (const std::string_view part : parts) (out += '\\') += part;
    return out;
}

}  // namespace

Result<PString> make_absolute(Platform& os, PStringView path) {
    if (winpath::is_absolute(path)) return PString(path);
    auto cwd = os.current_dir();
    if (!cwd) return fail("failed to read current dir: " + os_error_text(os, cwd.error()));
    return winpath::join(*cwd, path);
}

Result<std::string> normalize_for_compare(Platform& os, PStringView path) {
    auto absolute = make_absolute(os, path);
    if (!absolute) return fail(std::move(absolute.error()));

    // The final name sees through links, junctions, short names and letter case, so that a
    // link inside a folder that leads out of it is judged by where it really leads. A path
    // that cannot be opened (missing, access denied, ill-formed) is compared in its lexical
    // absolute form instead, with only "." and ".." folded as Windows would fold them when
    // opening it; the failure itself is not an error, because a missing path must still be
    // comparable.
    auto resolved = os.final_path(*absolute);
    std::string text = to_utf8(resolved ? PStringView(*resolved) : PStringView(*absolute));

    for (char& c : text)
        if (c == '/') c = '\\';
    text = strip_verbatim_prefix(std::move(text));
    if (!resolved) text = fold_dot_components(text);
    while (!text.empty() && text.back() == '\\') text.pop_back();
    // Only A-Z: Windows compares names with its own upper-case table, but a locale or
    // Unicode folding here would invent equalities the file system does not have.
    return ascii_lower(text);
}

Result<bool> same_path(Platform& os, PStringView a, PStringView b) {
    auto left = normalize_for_compare(os, a);
    if (!left) return fail(std::move(left.error()));
    auto right = normalize_for_compare(os, b);
    if (!right) return fail(std::move(right.error()));
    return *left == *right;
}

Result<bool> is_within(Platform& os, PStringView base, PStringView candidate) {
    auto root = normalize_for_compare(os, base);
    if (!root) return fail(std::move(root.error()));
    auto inner = normalize_for_compare(os, candidate);
    if (!inner) return fail(std::move(inner.error()));
    if (*inner == *root) return true;
    // The separator is part of the prefix: c:\tarvo2 must not count as inside c:\tarvo.
    return starts_with(*inner, *root + '\\');
}

Result<> ensure_within(Platform& os, PStringView base, PStringView candidate) {
    auto inside = is_within(os, base, candidate);
    if (!inside) return fail(std::move(inside.error()));
    // The refused path is shown as the caller gave it, so the log names what was asked for.
    if (!*inside) return fail("unsafe path outside expected directory: " + to_utf8(candidate));
    return {};
}

}  // namespace tu
