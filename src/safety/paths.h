// Path normalisation and containment: whether two paths name the same place and whether
// one lies inside another. The normalised form is for comparison only; callers keep using
// the paths they passed in. Every comparison of two paths in the system goes through here.
#pragma once

#include <cstddef>
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

// Where a path leads, as the file system names it: the final name of the longest leading part
// of the path that exists (links, junctions, 8.3 aliases and letter case resolved), followed
// by the rest of the path as written. The first `proven` bytes of `name`, whole components,
// are the file system's own spelling.
//
// Two paths name the same object only where the file system says so: a name folded to lower
// case is a spelling, and where letter case tells names apart (Wine on Linux always, Windows
// in a folder marked case-sensitive) C:\TARVO is another folder than C:\Tarvo. So every
// comparison below takes the test of the normalised forms first (A-Z folded) and then asks
// that, over the part of both paths that exists, the file system's names agree exactly. Where a path does not exist its spelling is all there is; whatever is later found
// there is deleted only through a handle whose final name is the approved place, exactly.
struct Place {
    std::string name;  // '\' only, no verbatim prefix, no trailing '\'
    std::size_t proven = 0;
};

// A final name as the checks compare it: text, '\' only, no verbatim prefix, no trailing
// '\', letter case as the file system spells it.
std::string final_text(PStringView final_name);

// A final name as the log shows it: without its verbatim prefix.
std::string readable_name(PStringView final_name);

// Both tests hold: the normalised forms are equal, and so are the file system's names.
Result<bool> same_path(Platform& os, PStringView a, PStringView b);
// Both tests hold: the normalised candidate equals the normalised base or starts with it
// followed by '\', and the file system's names of the base are those the candidate begins with.
Result<bool> is_within(Platform& os, PStringView base, PStringView candidate);

// Where a deletion may act, decided when the checks run. The object that a deletion opens
// must turn out to be at `location`, exactly: the final name of the folder that holds the
// entry, as it was resolved when the path was approved, followed by the entry's own name as
// that folder spells it (its long name, letter case as stored) or, for an entry that was not
// there, as written. A link in the entry's place, or a folder on the way swapped for a
// junction or for a folder whose name differs only in letter case after the check, leads
// the open somewhere else, and the deletion refuses that handle.
struct ApprovedPath {
    PString path;    // what the deletion opens
    PString shown;   // how the log names it
    Place location;  // see above
    // Shown by its folder's own listing: it is there unless the file system says it is not
    // found, whatever else keeps a path from reaching it.
    bool listed = false;
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
