// Windows path rules as pure functions, with Windows semantics on every build host.
// Drive (C:\x), UNC (\\server\share\x), verbatim (\\?\C:\x, \\?\UNC\server\share\x) and
// device (\\.\x) forms are understood; in verbatim forms only '\' separates components.
#pragma once

#include <optional>

#include "platform/platform.h"

namespace tu::winpath {

bool is_separator(char16_t c);

// Absolute: a drive, share or verbatim prefix followed by a root (C:\x, \\srv\share\x,
// \\?\C:\x). C:x and \x are not absolute.
bool is_absolute(PStringView path);

// Appends `rhs` to `base` the way Windows path joining does: an absolute right side
// replaces the base, a rooted one (\x) keeps only the base's drive or share, a right side
// with a drive but no root (C:x) replaces the base; otherwise one '\' is inserted unless
// the base already ends in a separator or is a bare drive (C:).
PString join(PStringView base, PStringView rhs);

// The path without its last component (trailing separators ignored); nothing for a root,
// a bare prefix or an empty path. The parent of a single relative name is empty.
std::optional<PString> parent(PStringView path);

// The path with its "." and ".." components folded the way Win32 folds them before it opens
// a path: ".." never climbs above the root, a relative path keeps the ".." it cannot fold.
// Verbatim paths come back unchanged (Windows takes their components literally), and so
// does a path without such components, separators and all.
PString fold_dots(PStringView path);

// The last component when it is a name (not a root, prefix, "." or "..").
std::optional<PString> file_name(PStringView path);

// The text after the last '.' of the file name; nothing when the name has no '.' or its
// only '.' is the first character.
std::optional<PString> extension(PStringView path);

}  // namespace tu::winpath
