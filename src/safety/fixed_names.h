// The names that no command line chooses: the helper's own file name and the two names its
// caller, the application's uninstaller, runs under.
#pragma once

#include <string_view>

namespace tu::fixed_names {

inline constexpr std::string_view helper = "tarvo-untarvo.exe";
// The installed uninstaller, directly in the install directory.
inline constexpr std::string_view uninstaller = "Zudeded2026.exe";
// The copy NSIS makes of the uninstaller to run from, below the user's temporary folder.
inline constexpr std::string_view uninstaller_copy = "Un.exe";

}  // namespace tu::fixed_names
