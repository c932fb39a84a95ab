// Windows path rules as pure functions, with Windows semantics on every build host: the one
// place that knows how a Windows path is spelled. Drive (C:\x), UNC (\\server\share\x),
// verbatim (\\?\C:\x, \\?\UNC\server\share\x) and device (\\.\x) forms are understood; in
// verbatim forms only '\' separates components.
#pragma once

#include <optional>
#include <vector>

#include "platform/platform.h"

namespace tu::winpath {

bool is_separator(char16_t c);

// The verbatim prefix: Windows hands the rest to the file system as it is, without folding
// "." and "..", without turning '/' into '\' and without trimming trailing dots and spaces.
inline constexpr PStringView verbatim_prefix = u"\\\\?\\";
// A share in verbatim form: \\?\UNC\server\share\x is \\server\share\x.
inline constexpr PStringView verbatim_unc_prefix = u"\\\\?\\UNC\\";
// The object manager's name for the DOS devices. Win32's path rules do not know it (joined
// to a folder, \??\C:\x is a path rooted on the current drive), but CreateFileW passes it on
// as \\?\ is passed on, and names read back from the system (object names) may carry it.
inline constexpr PStringView nt_prefix = u"\\??\\";

// What a path begins with, as Windows reads it.
enum class PrefixKind {
    none,            // x, ..\x, \x (rooted on the current drive)
    drive,           // C: (C:\x from the root, C:x from the drive's current folder)
    unc,             // \\server\share, either separator
    device,          // \\.\name, //./name
    verbatim_drive,  // \\?\C:
    verbatim_unc,    // \\?\UNC\server\share
    verbatim_other,  // \\?\name (a volume, a device, or nothing Windows can open)
};

struct Prefix {
    PrefixKind kind = PrefixKind::none;
    std::size_t length = 0;  // units of the prefix, its root separator excluded
    bool rooted = false;     // a root follows the prefix (C:\, \x); a share, a device and a
                             // verbatim form other than \\?\C: always have one
    std::size_t body = 0;    // where the components begin: after the prefix and its root
    bool verbatim() const {
        return kind == PrefixKind::verbatim_drive || kind == PrefixKind::verbatim_unc ||
               kind == PrefixKind::verbatim_other;
    }
};
Prefix prefix_of(PStringView path);

// The components after the prefix and its root, in order, without the empty ones that doubled
// or trailing separators leave; "." and ".." are kept as they are written.
std::vector<PStringView> components(PStringView path, const Prefix& prefix);

// Folds "." and ".." in a list of components: "." goes, ".." takes the component before it
// along. At the root, ".." goes too when the path is rooted (Windows never climbs above a
// drive or a share) and stays when it is relative. Returns whether there was anything to fold.
bool fold(std::vector<PStringView>& components, bool rooted);

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

// The last component when it is a name (not a root, prefix, "." or "..").
std::optional<PString> file_name(PStringView path);

// The text after the last '.' of the file name; nothing when the name has no '.' or its
// only '.' is the first character.
std::optional<PString> extension(PStringView path);

// The path without its verbatim prefix, in the plain form that names the same place:
// \\?\C:\x is C:\x, \\?\UNC\server\share\x is \\server\share\x, \??\C:\x is C:\x. At most
// one prefix goes; a path without one comes back as it is.
PString without_verbatim_prefix(PStringView path);

// "." and ".." after a verbatim prefix. Windows takes a verbatim path's components as they
// are written: \\?\C:\Tarvo\..\x asks the file system for an entry named ".." in C:\Tarvo,
// which no folder holds, so such a path can never be opened. The two foldings below read it
// differently, on purpose:
//  - fold_dots says what a path names when Windows opens it, and leaves a verbatim path as it
//    is: its dots are names;
//  - fold_lexically judges a path that could not be opened by its spelling alone, and folds
//    the dots after a verbatim prefix as in the plain path the prefix stands for:
//    \\?\C:\Tarvo\..\x counts as C:\x. Taken literally, it would count as a place inside
//    C:\Tarvo; folded, it climbs out. A path that cannot be opened names nothing either way,
//    and of the two readings the folded one never counts a path as inside a folder that its
//    ".." leaves, so a comparison errs towards "outside".

// The path with its "." and ".." components folded the way Win32 folds them before it opens
// a path: ".." never climbs above the root, a relative path keeps the ".." it cannot fold.
// Verbatim paths come back unchanged (see above), and so does a path without such
// components, separators and all.
PString fold_dots(PStringView path);

// The place a path names by its spelling, for comparing a path that cannot be opened: the
// verbatim prefix replaced by its plain form (without_verbatim_prefix); then, when what is
// left has a drive and a root, a share, a device or a second verbatim prefix, its "." and
// ".." folded as fold_dots folds a rooted path, with one '\' before each component and none
// after the last. A path with nothing to fold against (relative, rooted on the current
// drive, C:x, or a verbatim prefix before a name that is no drive, as in \\?\1:\x) comes
// back as it is, without its prefix. Comparisons turn every '/' into '\' before they call
// this.
PString fold_lexically(PStringView path);

}  // namespace tu::winpath
