#include "platform/winpath.h"

namespace tu::winpath {
namespace {

bool is_drive_letter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// In verbatim forms only '\' separates.
bool separates(char16_t c, bool verbatim) { return verbatim ? c == u'\\' : is_separator(c); }

// End of the component that starts at `from` (a separator or the end of the path).
std::size_t component_end(PStringView path, std::size_t from, bool verbatim) {
    std::size_t i = from;
    while (i < path.size() && !separates(path[i], verbatim)) ++i;
    return i;
}

// A prefix that is followed by a root whatever comes next: a share, a device, a verbatim
// form other than \\?\C:.
bool always_rooted(PrefixKind kind) {
    return kind != PrefixKind::none && kind != PrefixKind::drive && kind != PrefixKind::verbatim_drive;
}

// Kind and length; root and body are filled in by prefix_of.
Prefix kind_and_length(PStringView path) {
    if (path.starts_with(verbatim_unc_prefix)) {
        std::size_t end = component_end(path, verbatim_unc_prefix.size(), true);  // server
        if (end < path.size()) end = component_end(path, end + 1, true);           // share
        return {PrefixKind::verbatim_unc, end};
    }
    if (path.starts_with(verbatim_prefix)) {
        const std::size_t rest = verbatim_prefix.size();
        if (path.size() >= rest + 2 && is_drive_letter(path[rest]) && path[rest + 1] == u':')
            return {PrefixKind::verbatim_drive, rest + 2};
        return {PrefixKind::verbatim_other, component_end(path, rest, true)};
    }
    if (path.starts_with(u"\\\\.\\") || path.starts_with(u"//./")) return {PrefixKind::device, component_end(path, 4, false)};
    if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) {
        std::size_t end = component_end(path, 2, false);                // server
        if (end < path.size()) end = component_end(path, end + 1, false);  // share
        return {PrefixKind::unc, end};
    }
    if (path.size() >= 2 && is_drive_letter(path[0]) && path[1] == u':') return {PrefixKind::drive, 2};
    return {};
}

struct LastComponent {
    std::size_t begin = 0, end = 0;
};

// The last component of the body, trailing separators and "." components skipped.
std::optional<LastComponent> last_component(PStringView path, const Prefix& prefix) {
    const bool verbatim = prefix.verbatim();
    std::size_t end = path.size();
    while (true) {
        while (end > prefix.body && separates(path[end - 1], verbatim)) --end;
        if (end <= prefix.body) return std::nullopt;
        std::size_t begin = end;
        while (begin > prefix.body && !separates(path[begin - 1], verbatim)) --begin;
        if (!verbatim && path.substr(begin, end - begin) == u"." && begin > prefix.body) {
            end = begin;
            continue;
        }
        return LastComponent{begin, end};
    }
}

}  // namespace

bool is_separator(char16_t c) { return c == u'\\' || c == u'/'; }

Prefix prefix_of(PStringView path) {
    Prefix prefix = kind_and_length(path);
    const bool verbatim = prefix.verbatim();
    const bool root_follows = prefix.length < path.size() && separates(path[prefix.length], verbatim);
    prefix.rooted = always_rooted(prefix.kind) || root_follows;
    prefix.body = prefix.length + (root_follows ? 1 : 0);
    return prefix;
}

std::vector<PStringView> components(PStringView path, const Prefix& prefix) {
    std::vector<PStringView> parts;
    for (std::size_t i = prefix.body; i < path.size();) {
        const std::size_t end = component_end(path, i, prefix.verbatim());
        if (end > i) parts.push_back(path.substr(i, end - i));
        i = end + 1;
    }
    return parts;
}

bool fold(std::vector<PStringView>& components, bool rooted) {
    bool folded = false;
    std::size_t kept = 0;
    for (const PStringView part : components) {
        if (part == u".") {
            folded = true;
        } else if (part == u"..") {
            folded = true;
            if (kept > 0 && components[kept - 1] != u"..") --kept;
            else if (!rooted) components[kept++] = part;
        } else {
            components[kept++] = part;
        }
    }
    components.resize(kept);
    return folded;
}

bool is_absolute(PStringView path) {
    const Prefix prefix = prefix_of(path);
    return prefix.kind != PrefixKind::none && prefix.rooted;
}

PString join(PStringView base, PStringView rhs) {
    if (prefix_of(rhs).kind != PrefixKind::none) return PString(rhs);  // absolute, or a drive-relative C:x
    const Prefix base_prefix = prefix_of(base);
    if (!rhs.empty() && is_separator(rhs[0])) {
        // Rooted: keep only the base's prefix.
        PString out(base.substr(0, base_prefix.length));
        out += rhs;
        return out;
    }
    PString out(base);
    const bool bare_drive = !always_rooted(base_prefix.kind) && base_prefix.kind != PrefixKind::none &&
                            base.size() == base_prefix.length;
    if (!out.empty() && !is_separator(out.back()) && !bare_drive) out.push_back(u'\\');
    out += rhs;
    return out;
}

std::optional<PString> parent(PStringView path) {
    const Prefix prefix = prefix_of(path);
    const auto last = last_component(path, prefix);
    if (!last) return std::nullopt;
    std::size_t end = last->begin;
    // Drop the separators between the parent and the last component, never the root.
    while (end > prefix.body && is_separator(path[end - 1])) --end;
    return PString(path.substr(0, end));
}

std::optional<PString> file_name(PStringView path) {
    const auto last = last_component(path, prefix_of(path));
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

PString without_verbatim_prefix(PStringView path) {
    // \\?\UNC\ before the shorter \\?\ it begins with, or the share would lose its leading \\.
    if (path.starts_with(verbatim_unc_prefix)) return u"\\\\" + PString(path.substr(verbatim_unc_prefix.size()));
    if (path.starts_with(verbatim_prefix) || path.starts_with(nt_prefix)) return PString(path.substr(4));
    return PString(path);
}

PString fold_dots(PStringView path) {
    const Prefix prefix = prefix_of(path);
    if (prefix.verbatim()) return PString(path);
    std::vector<PStringView> parts = components(path, prefix);
    if (!fold(parts, prefix.rooted)) return PString(path);
    PString out(path.substr(0, prefix.body));
    for (std::size_t k = 0; k < parts.size(); ++k) {
        if (k > 0) out.push_back(u'\\');
        out += parts[k];
    }
    return out;
}

PString fold_lexically(PStringView path) {
    const PString plain = without_verbatim_prefix(path);
    const Prefix prefix = prefix_of(plain);
    if (prefix.kind == PrefixKind::none || !prefix.rooted) return plain;
    std::vector<PStringView> parts = components(plain, prefix);
    fold(parts, true);
    PString out(plain.substr(0, prefix.length));
    for (const PStringView part : parts) {
        out.push_back(u'\\');
        out += part;
    }
    return out;
}

}  // namespace tu::winpath
