// The Win32 platform class, shared by the files that implement its areas: process.cpp,
// files.cpp, handle_delete.cpp, shell_link.cpp, messages.cpp and win32_platform.cpp.
#pragma once

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <winternl.h>

#include "platform/platform.h"
#include "platform/win32/owners.h"

namespace tu::win32 {

// Functions that not every Windows exports (GetTempPath2W: Windows 11 and recent Windows 10;
// GetSystemTimePreciseAsFileTime, SetDefaultDllDirectories: Windows 8) or that live in
// ntdll, looked up once at start.
struct Exports {
    using GetTempPath2WFn = DWORD(WINAPI*)(DWORD, LPWSTR);
    using PreciseTimeFn = VOID(WINAPI*)(LPFILETIME);
    using NtCreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                            PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
    using StatusToDosErrorFn = ULONG(NTAPI*)(NTSTATUS);
    using NtQueryObjectFn = NTSTATUS(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

    GetTempPath2WFn get_temp_path2 = nullptr;
    PreciseTimeFn precise_time = nullptr;
    NtCreateFileFn nt_create_file = nullptr;
    StatusToDosErrorFn status_to_dos_error = nullptr;
    NtQueryObjectFn nt_query_object = nullptr;
    SetDefaultDllDirectoriesFn set_default_dll_directories = nullptr;  // Windows 8, Windows 7 updated
    HMODULE ntdll = nullptr;  // for the NT status message table

    static Exports look_up();
};

// Restricts every later DLL search of the process to the system folder, as far as this
// Windows can; the error says what could not be had. Called before anything is loaded.
std::expected<void, OsError> restrict_library_search(const Exports& exports);

// What the shortcut reader needs of COM, from ole32 and oleaut32 as the platform loads them
// from the system folder (load). The shell link class itself COM loads from the full path
// registered for it in the system folder.
struct ComLibraries {
    decltype(&::CoInitializeEx) initialize = nullptr;
    decltype(&::CoUninitialize) uninitialize = nullptr;
    decltype(&::CoCreateInstance) create_instance = nullptr;
    decltype(&::GetErrorInfo) get_error_info = nullptr;
    decltype(&::SysFreeString) free_string = nullptr;

    bool loaded() const { return free_string != nullptr; }
    std::expected<void, OsError> load();
};

class Win32Platform final : public Platform {
public:
    Win32Platform(std::expected<void, OsError> library_search, const Exports& exports)
        : library_search_(std::move(library_search)), exports_(exports) {}

    std::expected<void, OsError> library_search() override;

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

    std::expected<HandleId, OsError> open_for_writing(HandleId dir, PStringView name) override;
    std::expected<std::uint32_t, OsError> handle_links(HandleId handle) override;
    std::expected<void, OsError> truncate(HandleId handle) override;
    std::expected<void, OsError> append(HandleId handle, std::string_view bytes) override;

    std::expected<PString, ShortcutError> read_shortcut_target(PStringView path) override;

    std::string system_message(std::uint32_t code) override;
    std::string status_message(std::uint32_t status) override;

    std::expected<PString, OsError> entry_name(PStringView path) override;

private:
    // The object manager's name of a handle (NtQueryObject, ObjectNameInformation).
    std::expected<PString, OsError> query_object_name(HandleId handle);
    // NtCreateFile of `name` relative to the open directory `parent`, never following a
    // reparse point in it, sharing read, write and delete.
    std::expected<HandleId, OsError> open_relative(HandleId parent, PStringView name, ACCESS_MASK access,
                                                   ULONG disposition, ULONG options);

    std::expected<void, OsError> library_search_;
    Exports exports_;
    ComLibraries com_;  // loaded by the first shortcut read
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
