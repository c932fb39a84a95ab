// Writing a file through one handle opened relative to its folder's handle: the run log. The
// log's name is known in advance to anyone, and its folder may be writable by others; the
// file is therefore opened where the folder's handle says, without following a link, and
// written only through that handle, never by name again.
#include "platform/win32/win32_platform_impl.h"

namespace tu::win32 {

namespace {

// Write for emptying the file, append for writing at its end, attributes for the checks.
constexpr ACCESS_MASK write_access = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr ULONG file_options = FILE_NON_DIRECTORY_FILE;

}  // namespace

std::expected<HandleId, OsError> Win32Platform::open_for_writing(HandleId dir, PStringView name) {
    // The entry that is there, else a new one; never "open or create" in one call: Wine
    // follows a link made on the Linux side even when told not to, and creating through a
    // link that leads nowhere would make its target. A new file is made only where no entry
    // of that name stands (a link that leads nowhere is one). Made meanwhile by someone else
    // (two runs in the same millisecond share a log), it is opened as it is.
    std::expected<HandleId, OsError> opened = std::unexpected(OsError{});
    for (const ULONG disposition : {FILE_OPEN, FILE_CREATE, FILE_OPEN}) {
        opened = open_relative(dir, name, write_access, disposition, file_options);
        const DWORD try_next = disposition == FILE_OPEN ? ERROR_FILE_NOT_FOUND : ERROR_ALREADY_EXISTS;
        if (opened || opened.error().code != try_next) break;
    }
    return opened;
}

std::expected<std::uint32_t, OsError> Win32Platform::handle_links(HandleId handle) {
    FILE_STANDARD_INFO standard{};
    if (!::GetFileInformationByHandleEx(as_handle(handle), FileStandardInfo, &standard, sizeof(standard))) {
        return std::unexpected(last_error("GetFileInformationByHandleEx"));
    }
    return standard.NumberOfLinks;
}

std::expected<void, OsError> Win32Platform::truncate(HandleId handle) {
    FILE_END_OF_FILE_INFO end{};
    if (!::SetFileInformationByHandle(as_handle(handle), FileEndOfFileInfo, &end, sizeof(end))) {
        return std::unexpected(last_error("SetFileInformationByHandle"));
    }
    return {};
}

std::expected<void, OsError> Win32Platform::append(HandleId handle, std::string_view bytes) {
    // The offset 0xFFFFFFFF:0xFFFFFFFF writes at the end of the file as it is now, as a
    // handle opened for appending only would: two runs that share a log never overwrite
    // each other's lines. A line is far shorter than one call writes at once.
    OVERLAPPED at_end{};
    at_end.Offset = 0xFFFFFFFF;
    at_end.OffsetHigh = 0xFFFFFFFF;
    if (!::WriteFile(as_handle(handle), bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &at_end))
        return std::unexpected(last_error("WriteFile"));
    return {};
}

}  // namespace tu::win32
