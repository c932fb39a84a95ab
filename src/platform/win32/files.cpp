// Files and folders by name: creating, appending, reading, attributes, final names,
// one-level listings and plain deletion.
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

std::expected<void, OsError> Win32Platform::create_truncate_file(PStringView path) {
    FileHandle file(::CreateFileW(wide(terminated(path).c_str()), GENERIC_WRITE, share_all, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::unexpected(last_error("CreateFileW"));
    return {};
}

std::expected<void, OsError> Win32Platform::append_to_file(PStringView path, std::string_view bytes) {
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write lands at the end of the file,
    // even when another writer appended in between.
    FileHandle file(::CreateFileW(wide(terminated(path).c_str()), FILE_APPEND_DATA, share_all, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::unexpected(last_error("CreateFileW"));
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > MAXDWORD ? MAXDWORD : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data(), chunk, &written, nullptr)) {
            return std::unexpected(last_error("WriteFile"));
        }
        if (written == 0) return std::unexpected(OsError{ERROR_WRITE_FAULT, "WriteFile"});
        bytes.remove_prefix(written);
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
    PString buffer(final_path_initial_units, u'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetFinalPathNameByHandleW(file.get(), wide(buffer.data()), size, 0);
        if (length == 0) return std::unexpected(last_error("GetFinalPathNameByHandleW"));
        if (length < size) {
            buffer.resize(length);
            return buffer;
        }
        // Too small: the answer is the size needed, NUL included.
        buffer.resize(length);
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

std::expected<void, OsError> Win32Platform::delete_file(PStringView path) {
    if (!::DeleteFileW(wide(terminated(path).c_str()))) return std::unexpected(last_error("DeleteFileW"));
    return {};
}

std::expected<void, OsError> Win32Platform::remove_directory(PStringView path) {
    if (!::RemoveDirectoryW(wide(terminated(path).c_str()))) return std::unexpected(last_error("RemoveDirectoryW"));
    return {};
}

}  // namespace tu::win32
