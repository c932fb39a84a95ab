// Removal primitives: every deletion the helper performs goes through these. They delete
// exactly what was approved (safety/paths.h), and only through a handle that has been shown
// to lead there; callers that delete inside the installation approve with ensure_within.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/line_sink.h"
#include "platform/platform.h"
#include "platform/result.h"
#include "safety/paths.h"

namespace tu {

// The quiet flavour omits the lines about paths that disappeared on their own.
enum class Flavour { logged, quiet };

inline constexpr int removal_attempts = 30;
inline constexpr std::uint32_t retry_pause_ms = 500;

// Not found: 2, 3, 15, 53, 67.
bool is_not_found(std::uint32_t code);

// Present when metadata can be read following links; any failure counts as absent.
bool is_present(Platform& os, PStringView path);

// Why one attempt failed: the platform's error, or the helper's own refusal to delete (a
// handle that leads elsewhere, an entry still there after its deletion).
struct AttemptError {
    std::optional<OsError> os;
    std::string refusal;  // when os is empty
};
using Attempt = std::expected<void, AttemptError>;

// One attempt each: the recursive directory removal (no link followed, read-only entries
// deleted, 267 for a non-directory) and the file removal (5 for a directory).
Attempt remove_tree_once(Platform& os, const ApprovedPath& tree);
Attempt remove_file_once(Platform& os, const ApprovedPath& file);

Result<> remove_tree(Platform& os, const ApprovedPath& tree, const LineSink& log, Flavour flavour);
Result<> remove_file(Platform& os, const ApprovedPath& file, const LineSink& log, Flavour flavour);
// The logged flavour always runs its presence test.
Result<> remove_empty_dir(Platform& os, const ApprovedPath& dir, const LineSink& log, Flavour flavour,
                          bool presence_test);

// The same, approving the path at the call (tools and tests; the profiles approve when they
// check).
Result<> remove_tree(Platform& os, PStringView path, const LineSink& log, Flavour flavour);
Result<> remove_file(Platform& os, PStringView path, const LineSink& log, Flavour flavour);
Result<> remove_empty_dir(Platform& os, PStringView path, const LineSink& log, Flavour flavour, bool presence_test);

}  // namespace tu
