// The platform's message texts for Win32 error codes and COM/NT statuses.
#include "platform/text.h"
#include "platform/win32/win32_platform_impl.h"

namespace tu::win32 {

namespace {

// FormatMessageW from the system's table (source null) or from a module's message table;
// empty when neither has a text for the id.
std::string format_message(DWORD source_flag, HMODULE source, DWORD id) {
    LPWSTR raw = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | source_flag,
                                          source, id, 0, reinterpret_cast<LPWSTR>(&raw), 0, nullptr);
    LocalBuffer<LPWSTR> text(raw);
    if (length == 0 || !text) return {};
    return to_utf8(trim_trailing_white_space(PStringView(units(text.get()), length)));
}

// Statuses with this bit set carry an NT status (HRESULT_FROM_NT).
constexpr std::uint32_t nt_status_bit = 0x10000000;

}  // namespace

std::string Win32Platform::system_message(std::uint32_t code) {
    return format_message(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code);
}

std::string Win32Platform::status_message(std::uint32_t status) {
    if ((status & nt_status_bit) != 0) {
        if (!exports_.ntdll) return {};
        return format_message(FORMAT_MESSAGE_FROM_HMODULE, exports_.ntdll, status & ~nt_status_bit);
    }
    return format_message(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, status);
}

}  // namespace tu::win32
