// The handle primitives that the tree removal walks over. Every entry is opened by its
// name relative to its parent folder's handle, without following a reparse point: a link
// or junction inside the tree is opened, and deleted, itself, and a path swapped for a link
// between listing and opening cannot lead the walk out of the tree.
#include <algorithm>
#include <cstddef>

#include "platform/win32/win32_platform_impl.h"

namespace tu::win32 {

namespace {

constexpr ULONG share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What every open for deletion needs: delete, attributes (to tell a folder from a file and
// to clear read-only), and SYNCHRONIZE for synchronous listing through the handle.
constexpr ACCESS_MASK delete_access = DELETE | SYNCHRONIZE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

// FileDispositionInfoEx (class 21) and its flags; mingw-w64's headers hide them.
constexpr auto file_disposition_info_ex = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
struct DispositionInfoEx {
    ULONG flags;
};
constexpr ULONG disposition_delete = 0x1;
constexpr ULONG disposition_posix_semantics = 0x2;
constexpr ULONG disposition_ignore_readonly_attribute = 0x10;

// The attributes SetFileInformationByHandle accepts in FileBasicInfo (those SetFileAttributesW
// documents); the others describe the object and are not ours to write back.
constexpr DWORD settable_attributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                                      FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_TEMPORARY;

// One listing call returns as many entries as fit; 64 KiB holds hundreds of them.
constexpr std::size_t listing_buffer_bytes = 64 * 1024;

// What each way of opening asks for. A folder to make a file in needs no right of its own:
// the file system checks the folder's permissions when the file is made.
ACCESS_MASK access_for(OpenFor purpose) {
    switch (purpose) {
    case OpenFor::list_and_delete: return delete_access | FILE_LIST_DIRECTORY;
    case OpenFor::delete_only: return delete_access;
    case OpenFor::create_in: return SYNCHRONIZE | FILE_READ_ATTRIBUTES;
    }
    return delete_access;
}

}  // namespace

std::expected<HandleId, OsError> Win32Platform::open_no_follow(HandleId parent, PStringView name, OpenFor purpose) {
    const ACCESS_MASK access = access_for(purpose);
    if (!parent) {
        FileHandle file(::CreateFileW(wide(terminated(name).c_str()), access, share_all, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!file) return std::unexpected(last_error("CreateFileW"));
        return as_id(file.release());
    }
    return open_relative(parent, name, access, FILE_OPEN, FILE_OPEN_FOR_BACKUP_INTENT);
}

std::expected<HandleId, OsError> Win32Platform::open_relative(HandleId parent, PStringView name, ACCESS_MASK access,
                                                              ULONG disposition, ULONG options) {
    // Win32 has no open relative to a folder handle; NtCreateFile does (RootDirectory).
    if (!exports_.nt_create_file || !exports_.status_to_dos_error) {
        return std::unexpected(OsError{ERROR_PROC_NOT_FOUND, "NtCreateFile"});
    }
    // A UNICODE_STRING counts bytes in 16 bits.
    if (name.size() > 0x7FFF) return std::unexpected(OsError{ERROR_FILENAME_EXCED_RANGE, "NtCreateFile"});
    // NtCreateFile only reads the name; a UNICODE_STRING needs no NUL.
    UNICODE_STRING unicode_name{};
    unicode_name.Length = static_cast<USHORT>(name.size() * sizeof(char16_t));
    unicode_name.MaximumLength = unicode_name.Length;
    unicode_name.Buffer = const_cast<wchar_t*>(wide(name.data()));
    // No OBJ_CASE_INSENSITIVE: the name comes from the folder's own listing, and in a
    // case-sensitive folder it must not match a sibling that differs only in case.
    OBJECT_ATTRIBUTES attributes{};
    attributes.Length = sizeof(attributes);
    attributes.RootDirectory = as_handle(parent);
    attributes.ObjectName = &unicode_name;
    IO_STATUS_BLOCK io{};
    HANDLE raw = nullptr;
    const NTSTATUS status =
        exports_.nt_create_file(&raw, access, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL, share_all, disposition,
                                options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    KernelHandle file(status >= 0 ? raw : nullptr);
    if (status < 0) return std::unexpected(OsError{exports_.status_to_dos_error(status), "NtCreateFile"});
    return as_id(file.release());
}

std::expected<FileInfo, OsError> Win32Platform::handle_info(HandleId handle) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!::GetFileInformationByHandleEx(as_handle(handle), FileAttributeTagInfo, &tag, sizeof(tag))) {
        return std::unexpected(last_error("GetFileInformationByHandleEx"));
    }
    return info_from_attributes(tag.FileAttributes, tag.ReparseTag);
}

std::expected<std::vector<DirEntry>, OsError> Win32Platform::list_handle(HandleId handle) {
    // FILE_ID_BOTH_DIR_INFO holds 64-bit fields: the buffer is 8-byte aligned.
    std::vector<std::uint64_t> buffer(listing_buffer_bytes / sizeof(std::uint64_t));
    const auto bytes = static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t));
    std::vector<DirEntry> entries;
    // The first call restarts the listing, so a handle listed before lists from the top.
    FILE_INFO_BY_HANDLE_CLASS info_class = FileIdBothDirectoryRestartInfo;
    for (;;) {
        if (!::GetFileInformationByHandleEx(as_handle(handle), info_class, buffer.data(), bytes)) {
            const OsError error = last_error("GetFileInformationByHandleEx");
            if (error.code == ERROR_NO_MORE_FILES) return entries;
            return std::unexpected(error);
        }
        info_class = FileIdBothDirectoryInfo;
        const auto* record = reinterpret_cast<const unsigned char*>(buffer.data());
        for (;;) {
            const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(record);
            const PStringView name(units(info->FileName), info->FileNameLength / sizeof(char16_t));
            if (name != u"." && name != u"..") {
                // For a reparse point the listing carries its tag in the EaSize field.
                entries.push_back(DirEntry{PString(name), info_from_attributes(info->FileAttributes, info->EaSize)});
            }
            if (info->NextEntryOffset == 0) break;
            record += info->NextEntryOffset;
        }
    }
}

std::expected<void, OsError> Win32Platform::set_disposition(HandleId handle, Disposition how) {
    BOOL done = FALSE;
    if (how == Disposition::extended) {
        // POSIX semantics unlinks the name at once instead of when the last handle closes,
        // so the parent folder is empty as soon as its entries are gone.
        DispositionInfoEx info{disposition_delete | disposition_posix_semantics | disposition_ignore_readonly_attribute};
        done = ::SetFileInformationByHandle(as_handle(handle), file_disposition_info_ex, &info, sizeof(info));
    } else {
        FILE_DISPOSITION_INFO info{};
        info.DeleteFile = TRUE;
        done = ::SetFileInformationByHandle(as_handle(handle), FileDispositionInfo, &info, sizeof(info));
    }
    if (!done) return std::unexpected(last_error("SetFileInformationByHandle"));
    return {};
}

std::expected<void, OsError> Win32Platform::clear_readonly(HandleId handle) {
    FILE_BASIC_INFO current{};
    if (!::GetFileInformationByHandleEx(as_handle(handle), FileBasicInfo, &current, sizeof(current))) {
        return std::unexpected(last_error("GetFileInformationByHandleEx"));
    }
    // Times left 0 stay unchanged; attributes 0 would too, so a file left with none gets
    // FILE_ATTRIBUTE_NORMAL.
    FILE_BASIC_INFO change{};
    const DWORD kept = current.FileAttributes & settable_attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    change.FileAttributes = kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileInformationByHandle(as_handle(handle), FileBasicInfo, &change, sizeof(change))) {
        return std::unexpected(last_error("SetFileInformationByHandle"));
    }
    return {};
}

void Win32Platform::close(HandleId handle) {
    // Takes the handle over only to close it.
    KernelHandle owned(as_handle(handle));
}

}  // namespace tu::win32
