// Results, not exceptions: every fallible operation yields its value or one error message,
// a UTF-8 string formed from one of the system's message templates.
#pragma once

#include <expected>
#include <string>

namespace tu {

template <class T = void>
using Result = std::expected<T, std::string>;

inline std::unexpected<std::string> fail(std::string message) { return std::unexpected(std::move(message)); }

}  // namespace tu
