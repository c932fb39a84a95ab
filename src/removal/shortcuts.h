// Shortcut discovery and removal: a .lnk file is removed only when its target, read through
// the shell-link component, is the same path as the file the profile expects.
#pragma once

#include <string>
#include <string_view>

#include "platform/line_sink.h"
#include "platform/platform.h"
#include "platform/result.h"
#include "removal/remove.h"

namespace tu {

// A: remove_named_shortcut; B: every other operation.
enum class MessageSet { A, B };

Result<std::string> read_shortcut_target(Platform& os, PStringView shortcut, MessageSet messages);

Result<> remove_named_shortcut(Platform& os, PStringView shortcut, PStringView expected_target, const LineSink& log);
Result<> remove_shortcut_candidate(Platform& os, PStringView shortcut, PStringView expected_target,
                                   const LineSink& log, Flavour flavour);
Result<> scan_prefixed_shortcuts(Platform& os, PStringView dir, std::string_view prefix, PStringView expected_target,
                                 const LineSink& log, Flavour flavour);
Result<> scan_shortcut_dir(Platform& os, PStringView dir, PStringView expected_target, const LineSink& log);

}  // namespace tu
