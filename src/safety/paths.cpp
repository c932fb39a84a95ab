#include "safety/paths.h"

#include <algorithm>
#include <optional>

#include "platform/error_text.h"
#include "platform/text.h"
#include "platform/winpath.h"

namespace tu {

Result<PString> make_absolute(Platform& os, PStringView path) {
    if (winpath::is_absolute(path)) return PString(path);
    auto cwd = os.current_dir();
    if (!cwd) return fail("failed to read current dir: " + os_error_text(os, cwd.error()));
    return winpath::join(*cwd, path);
}

namespace {

// Every '/' turned into '\': the one separator of the comparable form.
PString with_backslashes(PStringView path) {
    PString out(path);
    for (char16_t& c : out)
        if (c == u'/') c = u'\\';
    return out;
}

// No trailing '\', and only A-Z folded: Windows compares names with its own upper-case
// table, but a locale or Unicode folding here would invent equalities the file system does
// not have.
std::string finish_comparable(std::string text) {
    while (!text.empty() && text.back() == '\\') text.pop_back();
    return ascii_lower(text);
}

// Inside or equal, as is_within decides it, on two normalised forms.
bool contains(const std::string& root, const std::string& inner) {
    return inner == root || inner.starts_with(root + '\\');
}

// The last component as Win32 hands it to the file system: trailing dots and spaces go,
// except in a verbatim path, which is taken literally.
PString name_as_opened(PString name, bool verbatim) {
    if (verbatim) return name;
    const std::size_t kept = name.find_last_not_of(u". ");
    if (kept != PString::npos) name.resize(kept + 1);
    return name;
}

}  // namespace

std::string final_text(PStringView final_name) {
    std::string text = to_utf8(winpath::without_verbatim_prefix(with_backslashes(final_name)));
    while (!text.empty() && text.back() == '\\') text.pop_back();
    return text;
}

std::string readable_name(PStringView final_name) { return to_utf8(winpath::without_verbatim_prefix(final_name)); }

namespace {

// A path as the comparisons take it: its normalised form (normalize_for_compare), its place,
// and its final name when the whole path could be opened (else empty).
struct Resolved {
    std::string spelled;
    Place place;
    PString final;
};

// The place of a path that cannot be opened (after folding as Windows would open it): the
// final name of the longest leading part that can be, and the rest as written. A missing
// entry in an existing folder is thus its folder's own name and the entry's spelling.
Place deepest_existing(Platform& os, const PString& lexical) {
    Place place{to_utf8(lexical), 0};
    if (!winpath::is_absolute(lexical)) return place;
    const winpath::Prefix prefix = winpath::prefix_of(lexical);
    for (std::size_t end = lexical.rfind(u'\\'); end != PString::npos && end >= prefix.length;
         end = end == 0 ? PString::npos : lexical.rfind(u'\\', end - 1)) {
        PString ancestor = lexical.substr(0, end);
        if (end == prefix.length) ancestor.push_back(u'\\');  // the root itself (C: or a share) with its separator
        if (const auto resolved = os.final_path(ancestor)) {
            const std::string head = final_text(*resolved);
            return Place{head + to_utf8(PStringView(lexical).substr(end)), head.size()};
        }
    }
    return place;
}

// Only error: the one of make_absolute.
Result<Resolved> resolve(Platform& os, PStringView path) {
    auto absolute = make_absolute(os, path);
    if (!absolute) return fail(std::move(absolute.error()));

    // The final name sees through links, junctions, short names and letter case, so that a
    // link inside a folder that leads out of it is judged by where it really leads. A path
    // that cannot be opened (missing, access denied, ill-formed) is compared in its lexical
    // absolute form instead, with only "." and ".." folded as Windows would fold them when
    // opening it; the failure itself is not an error, because a missing path must still be
    // comparable. Folded that way, C:\Tarvo\..\x names C:\x, which is not inside C:\Tarvo,
    // whatever its spelling begins with; a verbatim path's dots are folded too
    // (winpath::fold_lexically says why).
    if (auto resolved = os.final_path(*absolute)) {
        std::string name = final_text(*resolved);
        std::string spelled = ascii_lower(name);
        const std::size_t proven = name.size();
        return Resolved{std::move(spelled), Place{std::move(name), proven}, std::move(*resolved)};
    }
    const PString lexical = winpath::fold_lexically(with_backslashes(*absolute));
    return Resolved{finish_comparable(to_utf8(lexical)), deepest_existing(os, lexical), {}};
}

// Over the part that both places have from the file system, its names are the same, letter
// for letter. `proven` ends a component in both when their names are equal but for case.
bool agree(const Place& a, const Place& b) {
    const std::size_t both = std::min(a.proven, b.proven);
    return a.name.compare(0, both, b.name, 0, both) == 0;
}

bool same_place(const Place& a, const Place& b) { return ascii_iequals(a.name, b.name) && agree(a, b); }

bool place_within(const Place& root, const Place& inner) {
    const std::string_view base = root.name, candidate = inner.name;
    const bool below = candidate.size() > base.size() && candidate[base.size()] == '\\' &&
                       ascii_iequals(candidate.substr(0, base.size()), base);
    return (below || ascii_iequals(candidate, base)) && agree(root, inner);
}

PString in_folder(PStringView folder, PStringView name) {
    PString path(folder);
    if (!path.ends_with(u'\\')) path.push_back(u'\\');
    path += name;
    return path;
}

// Approves `path`, the entry `name` (as written) of a folder resolved before.
ApprovedPath approve_in(Platform& os, const Resolved& folder, PStringView path, PStringView name) {
    ApprovedPath approved{PString(path), PString(path), folder.place};
    approved.location.name += '\\';
    // The entry as its folder spells it: an 8.3 alias or other letter case in the path is
    // the entry's long name on disk. The folder's listing answers, not the entry: a link
    // there is named, not followed.
    if (!folder.final.empty()) {
        if (const auto stored = os.entry_name(in_folder(folder.final, name))) {
            approved.location.name += to_utf8(*stored);
            approved.location.proven = approved.location.name.size();
            return approved;
        }
    }
    approved.location.name += to_utf8(name);
    return approved;
}

}  // namespace

Result<std::string> normalize_for_compare(Platform& os, PStringView path) {
    auto both = resolve(os, path);
    if (!both) return fail(std::move(both.error()));
    return std::move(both->spelled);
}

Result<bool> same_path(Platform& os, PStringView a, PStringView b) {
    auto left = resolve(os, a);
    if (!left) return fail(std::move(left.error()));
    auto right = resolve(os, b);
    if (!right) return fail(std::move(right.error()));
    return left->spelled == right->spelled && same_place(left->place, right->place);
}

Result<bool> is_within(Platform& os, PStringView base, PStringView candidate) {
    auto root = resolve(os, base);
    if (!root) return fail(std::move(root.error()));
    auto inner = resolve(os, candidate);
    if (!inner) return fail(std::move(inner.error()));
    // The separator is part of the prefix: c:\tarvo2 must not count as inside c:\tarvo.
    return contains(root->spelled, inner->spelled) && place_within(root->place, inner->place);
}

Result<ApprovedPath> approve(Platform& os, PStringView path) {
    auto absolute = make_absolute(os, path);
    if (!absolute) return fail(std::move(absolute.error()));
    const PString lexical = winpath::fold_dots(*absolute);
    const auto folder = winpath::parent(lexical);
    const auto name = winpath::file_name(lexical);
    if (!folder || folder->empty() || !name) {
        // A root has no folder above it: it is approved as the place it resolves to.
        auto whole = resolve(os, lexical);
        if (!whole) return fail(std::move(whole.error()));
        return ApprovedPath{PString(path), PString(path), std::move(whole->place)};
    }
    auto above = resolve(os, *folder);
    if (!above) return fail(std::move(above.error()));
    return approve_in(os, *above, path, name_as_opened(*name, winpath::prefix_of(lexical).verbatim()));
}

Result<ApprovedPath> approve_entry(Platform& os, PStringView dir, PStringView name) {
    const auto folder = resolve(os, dir);
    if (!folder) return fail(folder.error());
    const PString shown = winpath::join(dir, name);
    std::string location = folder->place.name + '\\' + to_utf8(name);
    // A folder that cannot be opened holds nothing to open below it either: the entry is then
    // approved where its spelling puts it.
    if (folder->final.empty()) return ApprovedPath{shown, shown, Place{std::move(location), folder->place.proven}, true};
    const std::size_t proven = location.size();
    return ApprovedPath{in_folder(folder->final, name), shown, Place{std::move(location), proven}, true};
}

Result<ApprovedPath> ensure_within(Platform& os, PStringView base, PStringView candidate) {
    auto approved = approve(os, candidate);
    if (!approved) return approved;
    return ensure_within(os, base, *approved);
}

Result<ApprovedPath> ensure_within(Platform& os, PStringView base, const ApprovedPath& candidate) {
    auto root = resolve(os, base);
    if (!root) return fail(std::move(root.error()));
    auto inner = resolve(os, candidate.path);
    if (!inner) return fail(std::move(inner.error()));
    // Where the path leads, and where a deletion of it would act: a link in the entry's own
    // place that leads inside counts for the first, not for the second.
    if (!contains(root->spelled, inner->spelled) || !place_within(root->place, inner->place) ||
        !place_within(root->place, candidate.location))
        // The refused path is shown as the caller gave it, so the log names what was asked for.
        return fail("unsafe path outside expected directory: " + to_utf8(candidate.shown));
    return candidate;
}

}  // namespace tu
