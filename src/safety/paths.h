// Path normalisation and containment: whether two paths name the same place and whether
// one lies inside another. The normalised form is for comparison only; callers keep using
// the paths they passed in. Every comparison of two paths in the system goes through here.
#pragma once

#include <string>

#include "platform/platform.h"
#include "platform/result.h"

namespace tu {

// The path itself when absolute, else the current directory joined with it.
// Error: "failed to read current dir: {}".
Result<PString> make_absolute(Platform& os, PStringView path);

// Absolute; final name where the path can be opened; '\' only; one verbatim prefix removed;
// trailing '\' removed; A-Z folded. Only error: the one of make_absolute.
Result<std::string> normalize_for_compare(Platform& os, PStringView path);

// Steps 3 to 7 of normalize_for_compare on a name already resolved (a final name):
// text, '\' only, verbatim prefix removed, no trailing '\', A-Z folded.
std::string comparable_name(PStringView final_name);
// Turns the comparable form of a folder into that of its entry `name` (A-Z folded, as
// every comparable form is).
void append_entry(std::string& folder, PStringView name);
// A final name as the log shows it: without its verbatim prefix.
std::string readable_name(PStringView final_name);

Result<bool> same_path(Platform& os, PStringView a, PStringView b);
// True when candidate equals base or starts with base followed by '\' (both normalised).
Result<bool> is_within(Platform& os, PStringView base, PStringView candidate);

// Where a deletion may act, decided when the checks run. The object that a deletion opens
// must turn out to be at `location`: the final name of the folder that holds the entry, as
// it was resolved when the path was approved, followed by the entry's own name, compared
// as normalize_for_compare compares. A link in the entry's place, or a folder on the way
// swapped for a junction after the check, leads the open somewhere else, and the deletion
// refuses that handle. The entry's name is taken as written: a short 8.3 alias of it does
// not name the same place.
struct ApprovedPath {
    PString path;          // what the deletion opens
    PString shown;         // how the log names it
    std::string location;  // comparable form, see above
};

// Approves a path as it stands now. Only error: the one of make_absolute.
Result<ApprovedPath> approve(Platform& os, PStringView path);
// Approves an entry that a listing of `dir` returned. It is opened below the folder's final
// name in verbatim form, so that its name is taken as it is: CON.12345 or nul.x is a file
// in that folder, not a device. Shown as `dir` joined with the name.
Result<ApprovedPath> approve_entry(Platform& os, PStringView dir, PStringView name);

// The candidate, approved, when both it (judged by where it really leads) and the place its
// deletion would act lie inside base. Error: "unsafe path outside expected directory: {}"
// with the candidate as passed in (as shown, for an approved one).
Result<ApprovedPath> ensure_within(Platform& os, PStringView base, PStringView candidate);
Result<ApprovedPath> ensure_within(Platform& os, PStringView base, const ApprovedPath& candidate);

}  // namespace tu
