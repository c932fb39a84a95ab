// The one Win32 platform instance, the run-time look-ups, and the process environment:
// arguments, directories, clock and waiting.
#include "platform/win32/win32_platform.h"

#include "platform/win32/win32_platform_impl.h"

#include "platform/arguments.h"

namespace tu::win32 {

namespace {

// The library search is restricted before anything else happens; the look-ups only read
// what is already mapped.
Win32Platform make_platform() {
    const Exports exports = Exports::look_up();
    return Win32Platform(restrict_library_search(exports), exports);
}

}  // namespace

Platform& platform() {
    static Win32Platform instance = make_platform();
    return instance;
}

std::expected<void, OsError> Win32Platform::library_search() { return library_search_; }

Exports Exports::look_up() {
    Exports exports;
    // kernel32 and ntdll are mapped into every Win32 process; GetModuleHandleW takes no
    // reference, so there is nothing to free.
    if (HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll")) {
        exports.get_temp_path2 =
            reinterpret_cast<GetTempPath2WFn>(reinterpret_cast<void*>(::GetProcAddress(kernel32, "GetTempPath2W")));
        exports.precise_time = reinterpret_cast<PreciseTimeFn>(
            reinterpret_cast<void*>(::GetProcAddress(kernel32, "GetSystemTimePreciseAsFileTime")));
        exports.set_default_dll_directories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
            reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
    }
    if (HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll")) {
        exports.ntdll = ntdll;
        exports.nt_create_file =
            reinterpret_cast<NtCreateFileFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtCreateFile")));
        exports.status_to_dos_error = reinterpret_cast<StatusToDosErrorFn>(
            reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlNtStatusToDosError")));
        exports.nt_query_object =
            reinterpret_cast<NtQueryObjectFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQueryObject")));
    }
    return exports;
}

namespace {

// Calls an API of the GetTempPathW / GetCurrentDirectoryW kind: it returns the length
// without the NUL when the text fits, the size needed with the NUL when it does not, and 0
// on failure. The buffer grows until the text fits.
template <typename Call>
std::expected<PString, OsError> read_growing(std::string_view step, Call call) {
    PString buffer(MAX_PATH + 1, u'\0');
    for (;;) {
        const DWORD length = call(static_cast<DWORD>(buffer.size()), wide(buffer.data()));
        if (length == 0) return std::unexpected(last_error(step));
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length);
    }
}

// The 100 ns ticks between 1601-01-01 (FILETIME) and 1970-01-01 (the Unix epoch).
constexpr std::int64_t unix_epoch_in_filetime_ticks = 116444736000000000;

}  // namespace

std::vector<PString> Win32Platform::command_line() { return split_arguments(units(::GetCommandLineW())); }

std::uint32_t Win32Platform::current_process_id() { return ::GetCurrentProcessId(); }

void Win32Platform::exit_process(int status) { ::ExitProcess(static_cast<UINT>(status)); }

std::expected<PString, OsError> Win32Platform::temp_dir() {
    if (exports_.get_temp_path2) {
        return read_growing("GetTempPath2W", [&](DWORD size, wchar_t* buffer) {
            return exports_.get_temp_path2(size, buffer);
        });
    }
    return read_growing("GetTempPathW", [](DWORD size, wchar_t* buffer) { return ::GetTempPathW(size, buffer); });
}

std::expected<void, OsError> Win32Platform::set_current_dir(PStringView path) {
    if (!::SetCurrentDirectoryW(wide(terminated(path).c_str()))) {
        return std::unexpected(last_error("SetCurrentDirectoryW"));
    }
    return {};
}

std::expected<PString, OsError> Win32Platform::current_dir() {
    return read_growing("GetCurrentDirectoryW",
                        [](DWORD size, wchar_t* buffer) { return ::GetCurrentDirectoryW(size, buffer); });
}

std::int64_t Win32Platform::now_unix_ticks() {
    FILETIME now{};
    if (exports_.precise_time) {
        exports_.precise_time(&now);
    } else {
        ::GetSystemTimeAsFileTime(&now);
    }
    const auto ticks = static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
                                                 now.dwLowDateTime);
    return ticks - unix_epoch_in_filetime_ticks;
}

void Win32Platform::sleep_ms(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

void Win32Platform::yield_processor() {
    // SwitchToThread gives nothing up when no other thread of this processor is ready; a
    // zero sleep then still offers the rest of the time slice to any ready thread.
    if (!::SwitchToThread()) ::Sleep(0);
}

}  // namespace tu::win32
