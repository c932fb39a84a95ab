// Files and folders by name: making folders, reading, attributes, final names, one-level
// listings and whether an entry is still there. (Nothing is written by name: the run log is
// written through a handle, handle_write.cpp.)
#include "platform/winpath.h"
#include "platform/win32/win32_platform_impl.h"

namespace tu::win32 {

namespace {

constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// GetFinalPathNameByHandleW starts with this many units and is asked again with the size it
// reports while the name does not fit.
constexpr DWORD final_path_initial_units = 512;
constexpr DWORD read_chunk_bytes = 64 * 1024;

bool is_existing_directory(const PString& path) {
    const DWORD attributes = ::GetFileAttributesW(wide(path.c_str()));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates one folder; a folder that is already there counts as made. Drive roots answer
// CreateDirectoryW with 5 rather than 183, hence the look at the disk instead of the code.
std::expected<void, OsError> create_one_dir(const PString& path) {
    if (::CreateDirectoryW(wide(path.c_str()), nullptr)) return {};
    const OsError error = last_error("CreateDirectoryW");
    if (is_existing_directory(path)) return {};
    return std::unexpected(error);
}

}  // namespace

std::expected<void, OsError> Win32Platform::create_dir_all(PStringView path) {
    // Walk up until a folder can be made or already exists, then make the missing ones
    // below it from the top down. A loop, not recursion: a long path has thousands of levels.
    std::vector<PString> missing;
    PString current(path);
    for (;;) {
        auto made = create_one_dir(current);
        if (made) break;
        if (made.error().code != ERROR_PATH_NOT_FOUND) return made;
        auto up = winpath::parent(current);
        if (!up || up->empty()) return made;
        missing.push_back(std::move(current));
        current = std::move(*up);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (auto made = create_one_dir(*it); !made) return made;
    }
    return {};
}

std::expected<std::string, OsError> Win32Platform::read_file(PStringView path) {
    FileHandle file(::CreateFileW(wide(terminated(path).c_str()), GENERIC_READ, share_all, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::unexpected(last_error("CreateFileW"));
    // Read to the end rather than trusting the size: the file may grow or shrink meanwhile.
    std::string content;
    for (;;) {
        const std::size_t used = content.size();
        content.resize(used + read_chunk_bytes);
        DWORD read = 0;
        if (!::ReadFile(file.get(), content.data() + used, read_chunk_bytes, &read, nullptr)) {
            return std::unexpected(last_error("ReadFile"));
        }
        content.resize(used + read);
        if (read == 0) return content;
    }
}

std::expected<FileInfo, OsError> Win32Platform::file_info(PStringView path, bool follow_links) {
    // No access rights requested: attributes can be read whatever the file's sharing and
    // permissions, and a file that another program holds open still counts as present.
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow_links ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    FileHandle file(
        ::CreateFileW(wide(terminated(path).c_str()), 0, share_all, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!file) return std::unexpected(last_error("CreateFileW"));
    return handle_info(as_id(file.get()));
}

std::expected<PString, OsError> Win32Platform::final_path(PStringView path) {
    FileHandle file(::CreateFileW(wide(terminated(path).c_str()), 0, share_all, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return std::unexpected(last_error("CreateFileW"));
    return handle_path(as_id(file.get()));
}

std::expected<PString, OsError> Win32Platform::handle_path(HandleId handle) {
    PString buffer(final_path_initial_units, u'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetFinalPathNameByHandleW(as_handle(handle), wide(buffer.data()), size, 0);
        if (length == 0) break;
        if (length < size) {
            buffer.resize(length);
            return buffer;
        }
        // Too small: the answer is the size needed, NUL included.
        buffer.resize(length);
    }
    const OsError failed = last_error("GetFinalPathNameByHandleW");
    // Wine builds the name in a buffer of its own of about 300 units and fails beyond it,
    // whatever buffer it is given. The object manager's name of the handle has no such limit;
    // where it is a DOS device path (\??\C:\...) it names the same place as the final name.
    // A name in any other form (\Device\HarddiskVolume1\... on Windows) is not one a path
    // can be compared with, and the original failure stands.
    auto object_name = query_object_name(handle);
    if (!object_name || !object_name->starts_with(u"\\??\\")) return std::unexpected(failed);
    object_name->replace(0, 4, u"\\\\?\\");
    return *object_name;
}

std::expected<PString, OsError> Win32Platform::query_object_name(HandleId handle) {
    if (!exports_.nt_query_object || !exports_.status_to_dos_error)
        return std::unexpected(OsError{ERROR_PROC_NOT_FOUND, "NtQueryObject"});
    constexpr int object_name_information = 1;
    // OBJECT_NAME_INFORMATION: a UNICODE_STRING that points into the same buffer.
    std::vector<std::uint64_t> buffer((sizeof(UNICODE_STRING) + final_path_initial_units * sizeof(char16_t)) / 8 + 1);
    for (;;) {
        const auto bytes = static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t));
        ULONG needed = 0;
        const NTSTATUS status = exports_.nt_query_object(as_handle(handle), object_name_information, buffer.data(),
                                                         bytes, &needed);
        if (status >= 0) {
            const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
            return PString(units(name->Buffer), name->Length / sizeof(char16_t));
        }
        // STATUS_INFO_LENGTH_MISMATCH, STATUS_BUFFER_OVERFLOW, STATUS_BUFFER_TOO_SMALL: again,
        // as large as asked (a UNICODE_STRING counts at most 64 KiB of name).
        const bool too_small = status == static_cast<NTSTATUS>(0xC0000004) || status == static_cast<NTSTATUS>(0x80000005) ||
                               status == static_cast<NTSTATUS>(0xC0000023);
        if (!too_small || needed <= bytes || needed > 0x20000) {
            return std::unexpected(OsError{exports_.status_to_dos_error(status), "NtQueryObject"});
        }
        buffer.resize(needed / sizeof(std::uint64_t) + 1);
    }
}

std::expected<std::vector<std::expected<DirEntry, OsError>>, OsError> Win32Platform::list_dir(PStringView path) {
    using Entries = std::vector<std::expected<DirEntry, OsError>>;
    const PString folder(path);
    const PString pattern = winpath::join(folder, u"*");
    WIN32_FIND_DATAW data{};
    FindHandle find(::FindFirstFileExW(wide(pattern.c_str()), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                       FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        const OsError error = last_error("FindFirstFileExW");
        // "No match" from a folder that exists is an empty folder: a drive root has no "."
        // and ".." entries to match.
        if (error.code == ERROR_FILE_NOT_FOUND && is_existing_directory(folder)) return Entries{};
        return std::unexpected(error);
    }
    Entries entries;
    for (;;) {
        const PStringView name(units(data.cFileName));
        if (name != u"." && name != u"..") {
            // For a reparse point the find data carries its tag in dwReserved0.
            entries.emplace_back(DirEntry{PString(name), info_from_attributes(data.dwFileAttributes, data.dwReserved0)});
        }
        if (!::FindNextFileW(find.get(), &data)) {
            const OsError error = last_error("FindNextFileW");
            if (error.code != ERROR_NO_MORE_FILES) entries.emplace_back(std::unexpected(error));
            return entries;
        }
    }
}

// --- names as the folder spells them -------------------------------------------------------

std::expected<PString, OsError> Win32Platform::entry_name(PStringView path) {
    // A name with a wildcard would match other entries: it names none of them. (Only the last
    // component is a pattern; a verbatim prefix \\?\ has its '?' by right.)
    const auto name = winpath::file_name(path);
    if (!name || name->find_first_of(u"*?<>\"") != PString::npos)
        return std::unexpected(OsError{ERROR_INVALID_NAME, "FindFirstFileExW"});
    // The folder's own listing, asked for that one name: it answers with the entry's long
    // name as stored, whether the path called it so, in other letter case or by its 8.3
    // alias; it does not follow a link, and it shows an entry whose deletion is still
    // pending, which an open by name refuses with "access denied".
    WIN32_FIND_DATAW data{};
    FindHandle find(
        ::FindFirstFileExW(wide(terminated(path).c_str()), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (!find) return std::unexpected(last_error("FindFirstFileExW"));
    return PString(units(data.cFileName));
}

}  // namespace tu::win32
