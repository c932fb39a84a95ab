#include "safety/paths.h"

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

// A verbatim prefix goes (winpath::without_verbatim_prefix), so that \\?\C:\x compares equal
// to C:\x and \\?\UNC\srv\share to \\srv\share.
std::string comparable_name(PStringView final_name) {
    return finish_comparable(to_utf8(winpath::without_verbatim_prefix(with_backslashes(final_name))));
}

void append_entry(std::string& folder, PStringView name) {
    folder += '\\';
    folder += ascii_lower(to_utf8(name));
}

std::string readable_name(PStringView final_name) { return to_utf8(winpath::without_verbatim_prefix(final_name)); }

Result<std::string> normalize_for_compare(Platform& os, PStringView path) {
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
    auto resolved = os.final_path(*absolute);
    if (resolved) return comparable_name(*resolved);
    return finish_comparable(to_utf8(winpath::fold_lexically(with_backslashes(*absolute))));
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
    // The separator is part of the prefix: c:\tarvo2 must not count as inside c:\tarvo.
    return contains(*root, *inner);
}

Result<ApprovedPath> approve(Platform& os, PStringView path) {
    auto absolute = make_absolute(os, path);
    if (!absolute) return fail(std::move(absolute.error()));
    const PString lexical = winpath::fold_dots(*absolute);
    const auto folder = winpath::parent(lexical);
    const auto name = winpath::file_name(lexical);
    ApprovedPath approved{PString(path), PString(path), {}};
    if (!folder || folder->empty() || !name) {
        // A root has no folder above it: it is approved as the place it resolves to.
        auto whole = normalize_for_compare(os, lexical);
        if (!whole) return fail(std::move(whole.error()));
        approved.location = std::move(*whole);
        return approved;
    }
    auto resolved_folder = normalize_for_compare(os, *folder);
    if (!resolved_folder) return fail(std::move(resolved_folder.error()));
    const bool verbatim = winpath::prefix_of(lexical).verbatim();
    approved.location = std::move(*resolved_folder);
    append_entry(approved.location, name_as_opened(*name, verbatim));
    return approved;
}

Result<ApprovedPath> approve_entry(Platform& os, PStringView dir, PStringView name) {
    const PString shown = winpath::join(dir, name);
    const auto folder = os.final_path(dir);
    if (!folder) {
        auto approved = approve(os, shown);
        if (approved) approved->shown = shown;
        return approved;
    }
    PString path = *folder;
    if (!path.ends_with(u'\\')) path.push_back(u'\\');
    path += name;
    std::string location = comparable_name(*folder);
    append_entry(location, name);
    return ApprovedPath{std::move(path), shown, std::move(location)};
}

Result<ApprovedPath> ensure_within(Platform& os, PStringView base, PStringView candidate) {
    auto approved = approve(os, candidate);
    if (!approved) return approved;
    return ensure_within(os, base, *approved);
}

Result<ApprovedPath> ensure_within(Platform& os, PStringView base, const ApprovedPath& candidate) {
    auto root = normalize_for_compare(os, base);
    if (!root) return fail(std::move(root.error()));
    auto inner = normalize_for_compare(os, candidate.path);
    if (!inner) return fail(std::move(inner.error()));
    // Where the path leads, and where a deletion of it would act: a link in the entry's own
    // place that leads inside counts for the first, not for the second.
    if (!contains(*root, *inner) || !contains(*root, candidate.location))
        // The refused path is shown as the caller gave it, so the log names what was asked for.
        return fail("unsafe path outside expected directory: " + to_utf8(candidate.shown));
    return candidate;
}

}  // namespace tu
