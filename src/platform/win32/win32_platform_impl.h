// The Win32 platform class, shared by the files that implement its areas: process.cpp,
// files.cpp, handle_delete.cpp, shell_link.cpp, messages.cpp and win32_platform.cpp.
#pragma once

#include <windows.h>

#include <winternl.h>

#include "platform/platform.h"
#include "platform/win32/owners.h"

namespace tu::win32 {

// Functions that not every Windows exports (GetTempPath2W: Windows 11 and recent Windows 10;
// GetSystemTimePreciseAsFileTime: Windows 8) or that live in ntdll, looked up once at start.
struct Exports {
    using GetTempPath2WFn = DWORD(WINAPI*)(DWORD, LPWSTR);
    using PreciseTimeFn = VOID(WINAPI*)(LPFILETIME);
    using NtCreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                            PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
    using StatusToDosErrorFn = ULONG(NTAPI*)(NTSTATUS);
    using NtQueryObjectFn = NTSTATUS(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);

    GetTempPath2WFn get_temp_path2 = nullptr;
    PreciseTimeFn precise_time = nullptr;
    NtCreateFileFn nt_create_file = nullptr;
    StatusToDosErrorFn status_to_dos_error = nullptr;
    NtQueryObjectFn nt_query_object = nullptr;
    HMODULE ntdll = nullptr;  // for the NT status message table

    static Exports look_up();
};

class Win32Platform final : public Platform {
public:
    explicit Win32Platform(const Exports& exports) : exports_(exports) {}

    std::vector<PString> command_line() override;
    std::uint32_t current_process_id() override;
    std::expected<PString, OsError> module_path() override;
    std::expected<std::uint32_t, ParentLookupError> parent_process_id() override;
    std::expected<PString, ImageQueryError> process_image_path(std::uint32_t pid) override;
    void exit_process(int status) override;

    std::expected<PString, OsError> temp_dir() override;
    std::expected<void, OsError> set_current_dir(PStringView path) override;
    std::expected<PString, OsError> current_dir() override;

    std::int64_t now_unix_ticks() override;
    void sleep_ms(std::uint32_t milliseconds) override;
    void yield_processor() override;

    std::expected<void, OsError> create_dir_all(PStringView path) override;
    std::expected<void, OsError> create_truncate_file(PStringView path) override;
    std::expected<void, OsError> append_to_file(PStringView path, std::string_view bytes) override;
    std::expected<std::string, OsError> read_file(PStringView path) override;
    std::expected<FileInfo, OsError> file_info(PStringView path, bool follow_links) override;
    std::expected<PString, OsError> final_path(PStringView path) override;
    std::expected<std::vector<std::expected<DirEntry, OsError>>, OsError> list_dir(PStringView path) override;

    std::expected<HandleId, OsError> open_no_follow(HandleId parent, PStringView name, OpenFor purpose) override;
    std::expected<FileInfo, OsError> handle_info(HandleId handle) override;
    std::expected<PString, OsError> handle_path(HandleId handle) override;
    std::expected<std::vector<DirEntry>, OsError> list_handle(HandleId handle) override;
    std::expected<void, OsError> set_disposition(HandleId handle, Disposition how) override;
    std::expected<void, OsError> clear_readonly(HandleId handle) override;
    void close(HandleId handle) override;

    std::expected<PString, ShortcutError> read_shortcut_target(PStringView path) override;

    std::string system_message(std::uint32_t code) override;
    std::string status_message(std::uint32_t status) override;

    std::expected<PString, OsError> entry_name(PStringView path) override;

private:
    // The object manager's name of a handle (NtQueryObject, ObjectNameInformation).
    std::expected<PString, OsError> query_object_name(HandleId handle);

    Exports exports_;
};

// The calling thread's last Win32 error, with the call that set it.
inline OsError last_error(std::string_view step) { return OsError{::GetLastError(), step}; }

// What a file's attribute bits and reparse tag say, in the platform's own terms.
inline FileInfo info_from_attributes(DWORD attributes, DWORD reparse_tag) {
    FileInfo info;
    info.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.readonly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    info.reparse_point = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    info.reparse_tag = info.reparse_point ? reparse_tag : 0;
    return info;
}

inline HANDLE as_handle(HandleId id) { return reinterpret_cast<HANDLE>(id.value); }
inline HandleId as_id(HANDLE h) { return HandleId{reinterpret_cast<std::uintptr_t>(h)}; }

}  // namespace tu::win32
