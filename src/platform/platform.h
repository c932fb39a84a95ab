// The platform layer: every service of the operating system that the helper uses, in the
// helper's own types. Nothing here decides anything: retry counts, messages and comparison
// rules live in the portable code above it. One implementation calls Win32
// (src/platform/win32), one is an in-memory Windows for the tests (src/platform/fake).
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tu {

// A platform string: UTF-16 code units exactly as Windows holds them, possibly not well formed.
using PString = std::u16string;
using PStringView = std::u16string_view;

// A platform error: the Win32 error code and the platform call that failed.
struct OsError {
    std::uint32_t code = 0;
    std::string_view step;  // e.g. "CreateFileW"; a string literal
};

// Well-known Win32 error codes the logic reasons about.
namespace win32_error {
inline constexpr std::uint32_t invalid_function = 1;
inline constexpr std::uint32_t file_not_found = 2;
inline constexpr std::uint32_t path_not_found = 3;
inline constexpr std::uint32_t access_denied = 5;
inline constexpr std::uint32_t invalid_drive = 15;
inline constexpr std::uint32_t sharing_violation = 32;
inline constexpr std::uint32_t not_supported = 50;
inline constexpr std::uint32_t bad_netpath = 53;
inline constexpr std::uint32_t bad_net_name = 67;
inline constexpr std::uint32_t invalid_parameter = 87;
inline constexpr std::uint32_t insufficient_buffer = 122;
inline constexpr std::uint32_t dir_not_empty = 145;
inline constexpr std::uint32_t already_exists = 183;
inline constexpr std::uint32_t directory_expected = 267;  // ERROR_DIRECTORY: "not a directory"
}  // namespace win32_error

// What the file system reports about one object.
struct FileInfo {
    bool directory = false;
    bool readonly = false;
    bool reparse_point = false;
    std::uint32_t reparse_tag = 0;  // meaningful when reparse_point

    // Symbolic links and junctions are name surrogates: they stand for another object.
    bool name_surrogate() const { return reparse_point && (reparse_tag & 0x20000000u) != 0; }
    // A regular file: neither a directory nor a link or junction.
    bool regular_file() const { return !directory && !name_surrogate(); }
};

// One entry of a directory listing ("." and ".." never appear).
struct DirEntry {
    PString name;
    FileInfo info;  // as the listing reports it: the entry itself, links not followed
};

// An open file-system object, owned by the code that opened it (see OwnedHandle below).
struct HandleId {
    std::uintptr_t value = 0;
    explicit operator bool() const { return value != 0; }
};

// How an entry is opened; every way shares read, write and delete and never follows a
// reparse point in the last component.
enum class OpenFor {
    list_and_delete,  // a directory to list and then delete (also used for the tree root)
    delete_only,      // a file, link or junction to delete
    create_in,        // a directory to make a file in (the run log's folder); no delete access
};

// The two ways of deleting an open object through its handle.
enum class Disposition {
    extended,  // FileDispositionInfoEx: delete | POSIX semantics | ignore read-only attribute
    classic,   // FileDispositionInfo: DeleteFile = TRUE
};

// Which step of the parent-process lookup failed.
enum class ParentLookupStep { snapshot, first_entry, not_found };
struct ParentLookupError {
    ParentLookupStep step;
    OsError error;
};

// Which step of reading a process image path failed.
enum class ImageQueryStep { open, query };
struct ImageQueryError {
    ImageQueryStep step;
    OsError error;
};

// Which step of reading a shortcut failed; status is the COM status (HRESULT bits).
enum class ShortcutStep { initialize, create, cast, load, get_path };
struct ShortcutError {
    ShortcutStep step;
    std::uint32_t status = 0;
    std::string description;  // from the thread's COM error information; empty when none
};

class Platform {
public:
    virtual ~Platform() = default;

    // --- loading ---------------------------------------------------------------------
    // Whether every later DLL search of the process looks in the system folder only
    // (SetDefaultDllDirectories), as the platform arranged before anything else when it was
    // made; the error says why not (a Windows without the call).
    virtual std::expected<void, OsError> library_search() = 0;

    // --- process environment ---------------------------------------------------------
    // The process arguments as Windows splits them, the program name first.
    virtual std::vector<PString> command_line() = 0;
    virtual std::uint32_t current_process_id() = 0;
    // The path of the running executable (GetModuleFileNameW, any length).
    virtual std::expected<PString, OsError> module_path() = 0;
    // The parent process id recorded for the own process in a process snapshot.
    virtual std::expected<std::uint32_t, ParentLookupError> parent_process_id() = 0;
    // The Win32 image path of a process (opened with PROCESS_QUERY_LIMITED_INFORMATION).
    virtual std::expected<PString, ImageQueryError> process_image_path(std::uint32_t pid) = 0;
    // Ends the process. The fake records the status and returns.
    virtual void exit_process(int status) = 0;

    // --- directories of the environment ------------------------------------------------
    virtual std::expected<PString, OsError> temp_dir() = 0;  // with its trailing backslash
    virtual std::expected<void, OsError> set_current_dir(PStringView path) = 0;
    virtual std::expected<PString, OsError> current_dir() = 0;

    // --- time -----------------------------------------------------------------------
    // The system clock as 100 ns ticks since 1970-01-01 00:00:00 UTC (negative before).
    virtual std::int64_t now_unix_ticks() = 0;
    virtual void sleep_ms(std::uint32_t milliseconds) = 0;
    virtual void yield_processor() = 0;

    // --- files --------------------------------------------------------------------
    virtual std::expected<void, OsError> create_dir_all(PStringView path) = 0;
    virtual std::expected<std::string, OsError> read_file(PStringView path) = 0;
    // Attributes of a path; follow_links = false reports a link or junction itself.
    virtual std::expected<FileInfo, OsError> file_info(PStringView path, bool follow_links) = 0;
    // The final name of an existing object (GetFinalPathNameByHandleW, flags 0), as the
    // platform returns it, usually with a \\?\ prefix.
    virtual std::expected<PString, OsError> final_path(PStringView path) = 0;
    // One level of a directory; not-found and other failures of single entries are reported
    // per entry, in the order the platform returns them.
    virtual std::expected<std::vector<std::expected<DirEntry, OsError>>, OsError> list_dir(PStringView path) = 0;

    // --- handle-based deletion (the tree removal walks over these) ---------------------
    // Opens `name` relative to the open directory `parent`, or `name` as a whole path when
    // parent is empty, without following a reparse point.
    virtual std::expected<HandleId, OsError> open_no_follow(HandleId parent, PStringView name, OpenFor purpose) = 0;
    virtual std::expected<FileInfo, OsError> handle_info(HandleId handle) = 0;
    // The final name of the object behind an open handle, as final_path reports names: where
    // the object really is, whichever name or link led to it.
    virtual std::expected<PString, OsError> handle_path(HandleId handle) = 0;
    virtual std::expected<std::vector<DirEntry>, OsError> list_handle(HandleId handle) = 0;
    virtual std::expected<void, OsError> set_disposition(HandleId handle, Disposition how) = 0;
    virtual std::expected<void, OsError> clear_readonly(HandleId handle) = 0;
    virtual void close(HandleId handle) = 0;

    // --- writing through a handle (the run log) ----------------------------------------
    // Opens the file `name` directly inside the open directory `dir` for writing, sharing
    // read, write and delete and never following a reparse point: the entry of that name when
    // there is one, else a new file (never one made where a link leads). Nothing is truncated.
    virtual std::expected<HandleId, OsError> open_for_writing(HandleId dir, PStringView name) = 0;
    // How many names (hard links) the file behind the handle has.
    virtual std::expected<std::uint32_t, OsError> handle_links(HandleId handle) = 0;
    virtual std::expected<void, OsError> truncate(HandleId handle) = 0;
    // Writes at the end of the file, wherever other writers have left it.
    virtual std::expected<void, OsError> append(HandleId handle, std::string_view bytes) = 0;

    // --- shell links ----------------------------------------------------------------
    // Initialises COM (STA), reads the target of a .lnk file through IShellLinkW /
    // IPersistFile, releases everything and uninitialises COM once. The target is the
    // buffer up to its first NUL (possibly empty).
    virtual std::expected<PString, ShortcutError> read_shortcut_target(PStringView path) = 0;

    // --- message texts ----------------------------------------------------------------
    // The system message for a Win32 error code, trailing white space removed; may be empty.
    virtual std::string system_message(std::uint32_t code) = 0;
    // The message for a status (HRESULT); statuses with bit 28 set come from the NT status
    // table with that bit cleared. Trailing white space removed; may be empty.
    virtual std::string status_message(std::uint32_t status) = 0;

    // --- names as the folder spells them -------------------------------------------------
    // The name of the entry that the last component of `path` names, as its folder's own
    // listing spells it: the long name, in the letter case stored, for whatever the path
    // calls it (another letter case, an 8.3 alias). It is the entry itself, whatever it is
    // and however it is held (a link, which is not followed; a file whose deletion waits
    // for another program to close it). Not there: 2, or 3 for a missing folder.
    virtual std::expected<PString, OsError> entry_name(PStringView path) = 0;
};

// Owns one open handle and closes it on every path out of the scope that opened it.
class OwnedHandle {
public:
    OwnedHandle() = default;
    OwnedHandle(Platform& os, HandleId id) : os_(&os), id_(id) {}
    OwnedHandle(OwnedHandle&& other) noexcept : os_(other.os_), id_(std::exchange(other.id_, HandleId{})) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) {
            reset();
            os_ = other.os_;
            id_ = std::exchange(other.id_, HandleId{});
        }
        return *this;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() { reset(); }

    HandleId get() const { return id_; }
    void reset() {
        if (id_) os_->close(std::exchange(id_, HandleId{}));
    }

private:
    Platform* os_ = nullptr;
    HandleId id_{};
};

}  // namespace tu
