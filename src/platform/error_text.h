// The two written forms of a platform error inside messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tu {

// System-error form, for file-system and process-environment operations:
// "{message} (os error {code})".
std::string os_error_text(Platform& os, const OsError& error);

// A Win32 code as a status: 0x80070000 | (code & 0xFFFF); 0 stays 0.
std::uint32_t status_from_win32(std::uint32_t code);

// Status form, for COM calls and the process queries: "{message} (0x%08X)", or the code
// alone ("0x%08X") when there is no message. `description` is the COM error information
// captured with the failure; when empty the platform's message for the status is used.
std::string status_text(Platform& os, std::uint32_t status, std::string_view description = {});

// "0x%08X" with upper-case digits.
std::string hex_status(std::uint32_t status);

}  // namespace tu
