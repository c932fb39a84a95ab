// Process information: the helper's own path, its parent in a process snapshot, and the
// image path of another process.
#include "platform/win32/win32_platform_impl.h"

// After <windows.h>, which the header above includes: tlhelp32.h uses its types.
#include <tlhelp32.h>

namespace tu::win32 {

namespace {

// The record size that Process32FirstW checks. It is the size of the wide-character record
// in this build: 568 bytes in 64-bit code, 556 only in 32-bit code. A 64-bit process that
// passed 556 would have its first entry refused with 122 (the record is too small), and no
// run could ever establish its parent.
constexpr DWORD process_entry_size = sizeof(PROCESSENTRY32W);
#if defined(_WIN64)
static_assert(process_entry_size == 568);
#else
static_assert(process_entry_size == 556);
#endif

// Win32 image paths are at most 32767 units plus the NUL.
constexpr DWORD image_path_units = 32768;

}  // namespace

std::expected<PString, OsError> Win32Platform::module_path() {
    // GetModuleFileNameW truncates silently (returning the buffer size) when the path does
    // not fit; paths may be up to 32767 units long, so the buffer doubles until it fits.
    PString buffer(MAX_PATH + 1, u'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetModuleFileNameW(nullptr, wide(buffer.data()), size);
        if (length == 0) return std::unexpected(last_error("GetModuleFileNameW"));
        if (length < size) {
            buffer.resize(length);
            return buffer;
        }
        if (size >= image_path_units * 2) {
            return std::unexpected(OsError{ERROR_INSUFFICIENT_BUFFER, "GetModuleFileNameW"});
        }
        buffer.resize(static_cast<std::size_t>(size) * 2);
    }
}

std::expected<std::uint32_t, ParentLookupError> Win32Platform::parent_process_id() {
    FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return std::unexpected(ParentLookupError{ParentLookupStep::snapshot, last_error("CreateToolhelp32Snapshot")});
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = process_entry_size;
    if (!::Process32FirstW(snapshot.get(), &entry)) {
        return std::unexpected(ParentLookupError{ParentLookupStep::first_entry, last_error("Process32FirstW")});
    }
    const DWORD own = ::GetCurrentProcessId();
    for (;;) {
        if (entry.th32ProcessID == own) return entry.th32ParentProcessID;
        if (!::Process32NextW(snapshot.get(), &entry)) {
            return std::unexpected(ParentLookupError{ParentLookupStep::not_found, last_error("Process32NextW")});
        }
    }
}

std::expected<PString, ImageQueryError> Win32Platform::process_image_path(std::uint32_t pid) {
    KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return std::unexpected(ImageQueryError{ImageQueryStep::open, last_error("OpenProcess")});
    PString buffer(image_path_units, u'\0');
    DWORD length = image_path_units;
    if (!::QueryFullProcessImageNameW(process.get(), 0, wide(buffer.data()), &length)) {
        return std::unexpected(ImageQueryError{ImageQueryStep::query, last_error("QueryFullProcessImageNameW")});
    }
    buffer.resize(length < image_path_units ? length : image_path_units);
    return buffer;
}

}  // namespace tu::win32
