// Text helpers shared by every subsystem: UTF-16 <-> UTF-8 and the ASCII-only comparisons.
// No locale and no Unicode case mapping anywhere: only A-Z fold onto a-z.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tu {

// UTF-16 to UTF-8; every unit that is not part of a well-formed sequence becomes U+FFFD.
std::string to_utf8(PStringView text);
// UTF-16 to UTF-8, or nothing when the text is not well-formed UTF-16.
std::optional<std::string> to_utf8_strict(PStringView text);
// UTF-8 to UTF-16; ill-formed bytes become U+FFFD.
PString to_utf16(std::string_view text);

bool is_valid_utf8(std::string_view bytes);

constexpr char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
std::string ascii_lower(std::string_view text);
// Equal lengths and equal bytes after folding A-Z onto a-z.
bool ascii_iequals(std::string_view a, std::string_view b);
bool ascii_iends_with(std::string_view text, std::string_view suffix);

// The Unicode White_Space characters (all of them in the Basic Multilingual Plane).
bool is_white_space(char32_t cp);
// Trims the Unicode White_Space characters from both ends of UTF-8 text.
std::string_view trim_white_space(std::string_view text);
// The text without the White_Space characters at its end (system messages end in CR LF).
PStringView trim_trailing_white_space(PStringView text);

}  // namespace tu
