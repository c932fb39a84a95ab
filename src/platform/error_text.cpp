#include "platform/error_text.h"

namespace tu {

std::string os_error_text(Platform& os, const OsError& error) {
    return os.system_message(error.code) + " (os error " + std::to_string(error.code) + ")";
}

std::uint32_t status_from_win32(std::uint32_t code) { return code == 0 ? 0 : (0x80070000u | (code & 0xFFFFu)); }

std::string hex_status(std::uint32_t status) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out = "0x";
    for (int shift = 28; shift >= 0; shift -= 4) out.push_back(digits[(status >> shift) & 0xF]);
    return out;
}

std::string status_text(Platform& os, std::uint32_t status, std::string_view description) {
    std::string message(description);
    if (message.empty()) message = os.status_message(status);
    if (message.empty()) return hex_status(status);
    return message + " (" + hex_status(status) + ")";
}

}  // namespace tu
