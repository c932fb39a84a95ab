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

Result<bool> same_path(Platform& os, PStringView a, PStringView b);
// True when candidate equals base or starts with base followed by '\' (both normalised).
Result<bool> is_within(Platform& os, PStringView base, PStringView candidate);
// Error: "unsafe path outside expected directory: {}" with the candidate as passed in.
Result<> ensure_within(Platform& os, PStringView base, PStringView candidate);

}  // namespace tu
