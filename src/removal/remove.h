// Removal primitives: every deletion the helper performs goes through these. They delete
// exactly the path they are given; callers guard it with ensure_within first.
#pragma once

#include <cstdint>
#include <string>

#include "app/run_log.h"
#include "platform/platform.h"
#include "platform/result.h"

namespace tu {

// The quiet flavour omits the lines about paths that disappeared on their own.
enum class Flavour { logged, quiet };

inline constexpr int removal_attempts = 30;
inline constexpr std::uint32_t retry_pause_ms = 500;

// Not found: 2, 3, 15, 53, 67.
bool is_not_found(std::uint32_t code);

// Present when metadata can be read following links; any failure counts as absent.
bool is_present(Platform& os, PStringView path);

// One attempt each: the platform's recursive directory removal (no link followed,
// read-only entries deleted, 267 for a non-directory) and the file removal (with its
// second way on access denied).
std::expected<void, OsError> remove_tree_once(Platform& os, PStringView path);
std::expected<void, OsError> remove_file_once(Platform& os, PStringView path);

Result<> remove_tree(Platform& os, PStringView path, const RunLog& log, Flavour flavour);
Result<> remove_file(Platform& os, PStringView path, const RunLog& log, Flavour flavour);
// The logged flavour always runs its presence test.
Result<> remove_empty_dir(Platform& os, PStringView path, const RunLog& log, Flavour flavour, bool presence_test);

}  // namespace tu
