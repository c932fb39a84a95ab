#include "platform/winpath.h"

#include <vector>

namespace tu::winpath {
namespace {

bool starts_with(PStringView s, PStringView prefix) { return s.substr(0, prefix.size()) == prefix; }

bool is_drive_letter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

struct Prefix {
    std::size_t length = 0;  // units of the prefix, root excluded
    bool verbatim = false;
    bool unc_like = false;  // \\server\share and \\?\UNC\...: always absolute
    bool present() const { return length > 0; }
};

// Length of the next component starting at `from` (up to a separator or the end).
std::size_t component_end(PStringView path, std::size_t from, bool verbatim) {
    std::size_t i = from;
    while (i < path.size() && !(verbatim ? path[i] == u'\\' : is_separator(path[i]))) ++i;
    return i;
}

Prefix parse_prefix(PStringView path) {
    if (starts_with(path, u"\\\\?\\")) {
        const std::size_t rest = 4;
        if (path.size() >= rest + 4 && path.substr(rest, 3) == u"UNC" && path[rest + 3] == u'\\') {
            // \\?\UNC\server\share
            std::size_t end = component_end(path, rest + 4, true);
            if (end < path.size()) end = component_end(path, end + 1, true);
            return {end, true, true};
        }
        if (path.size() >= rest + 2 && is_drive_letter(path[rest]) && path[rest + 1] == u':')
            return {rest + 2, true, false};
        return {component_end(path, rest, true), true, true};
    }
    if (starts_with(path, u"\\\\.\\") || starts_with(path, u"//./")) {
        return {component_end(path, 4, false), false, true};
    }
    if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) {
        // \\server\share
        std::size_t end = component_end(path, 2, false);
        if (end < path.size()) end = component_end(path, end + 1, false);
        return {end, false, true};
    }
    if (path.size() >= 2 && is_drive_letter(path[0]) && path[1] == u':') return {2, false, false};
    return {};
}

bool has_root_after(PStringView path, const Prefix& prefix) {
    if (prefix.unc_like) return true;
    return prefix.length < path.size() &&
           (prefix.verbatim ? path[prefix.length] == u'\\' : is_separator(path[prefix.length]));
}

// Start of the root-and-components part: after the prefix and its root separator.
std::size_t body_start(PStringView path, const Prefix& prefix) {
    std::size_t i = prefix.length;
    if (i < path.size() && (prefix.verbatim ? path[i] == u'\\' : is_separator(path[i]))) ++i;
    return i;
}

struct LastComponent {
    std::size_t begin = 0, end = 0;
};

// The last component of the body, trailing separators and "." components skipped.
std::optional<LastComponent> last_component(PStringView path, const Prefix& prefix) {
    const std::size_t start = body_start(path, prefix);
    std::size_t end = path.size();
    const auto sep = [&](char16_t c) { return prefix.verbatim ? c == u'\\' : is_separator(c); };
    while (true) {
        while (end > start && sep(path[end - 1])) --end;
        if (end <= start) return std::nullopt;
        std::size_t begin = end;
        while (begin > start && !sep(path[begin - 1])) --begin;
        if (!prefix.verbatim && path.substr(begin, end - begin) == u"." && begin > start) {
            end = begin;
            continue;
        }
        return LastComponent{begin, end};
    }
}

}  // namespace

bool is_separator(char16_t c) { return c == u'\\' || c == u'/'; }

bool is_absolute(PStringView path) {
    const Prefix prefix = parse_prefix(path);
    return prefix.present() && has_root_after(path, prefix);
}

PString join(PStringView base, PStringView rhs) {
    const Prefix rhs_prefix = parse_prefix(rhs);
    if (rhs_prefix.present()) return PString(rhs);  // absolute, or a drive-relative C:x
    if (!rhs.empty() && is_separator(rhs[0])) {
        // Rooted: keep only the base's prefix.
        const Prefix base_prefix = parse_prefix(base);
        PString out(base.substr(0, base_prefix.length));
        out += rhs;
        return out;
    }
    PString out(base);
    const Prefix base_prefix = parse_prefix(base);
    const bool bare_drive = base_prefix.present() && !base_prefix.unc_like && base.size() == base_prefix.length;
    if (!out.empty() && !is_separator(out.back()) && !bare_drive) out.push_back(u'\\');
    out += rhs;
    return out;
}

std::optional<PString> parent(PStringView path) {
    const Prefix prefix = parse_prefix(path);
    const auto last = last_component(path, prefix);
    if (!last) return std::nullopt;
    std::size_t end = last->begin;
    const std::size_t start = body_start(path, prefix);
    // Drop the separators between the parent and the last component, never the root.
    while (end > start && is_separator(path[end - 1])) --end;
    return PString(path.substr(0, end));
}

PString fold_dots(PStringView path) {
    const Prefix prefix = parse_prefix(path);
    if (prefix.verbatim) return PString(path);
    const std::size_t start = body_start(path, prefix);
    const bool rooted = has_root_after(path, prefix) || (!prefix.present() && !path.empty() && is_separator(path[0]));

    std::vector<PStringView> parts;
    bool folded = false;
    std::size_t i = start;
    while (i < path.size()) {
        const std::size_t end = component_end(path, i, false);
        const PStringView part = path.substr(i, end - i);
        if (part == u".") {
            folded = true;
        } else if (part == u"..") {
            folded = true;
            if (!parts.empty() && parts.back() != u"..") parts.pop_back();
            else if (!rooted) parts.push_back(part);
        } else if (!part.empty()) {
            parts.push_back(part);
        }
        i = end < path.size() ? end + 1 : end;
    }
    if (!folded) return PString(path);

    PString out(path.substr(0, start));
    for (std::size_t k = 0; k < parts.size(); ++k) {
        if (k > 0) out.push_back(u'\\');
        out += parts[k];
    }
    return out;
}

std::optional<PString> file_name(PStringView path) {
    const Prefix prefix = parse_prefix(path);
    const auto last = last_component(path, prefix);
    if (!last) return std::nullopt;
    const PStringView name = path.substr(last->begin, last->end - last->begin);
    if (name == u".." || name == u".") return std::nullopt;
    return PString(name);
}

std::optional<PString> extension(PStringView path) {
    const auto name = file_name(path);
    if (!name) return std::nullopt;
    const std::size_t dot = name->rfind(u'.');
    if (dot == PString::npos || dot == 0) return std::nullopt;
    return name->substr(dot + 1);
}

}  // namespace tu::winpath
