// Making and wiping the trees tests work in, with plain Win32 calls, independently of the
// code under test.
#pragma once

#include <windows.h>

#include <string>

namespace tu::test_support {

// Makes a folder and its missing parents with plain CreateDirectoryW, which, unlike
// SHCreateDirectoryExW under Wine, also makes folders longer than MAX_PATH. Whether the
// folder is there afterwards.
inline bool make_dirs(const std::wstring& path) {
    if (path.empty()) return false;
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    if (const auto cut = path.find_last_of(L'\\'); cut != std::wstring::npos && cut > 0)
        make_dirs(path.substr(0, cut));
    ::CreateDirectoryW(path.c_str(), nullptr);
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Removes a file or a whole tree, read-only entries included. A link is removed itself,
// never walked into.
inline void wipe_tree(const std::wstring& path) {
    const DWORD attrs = ::GetFileAttributesW(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) return;
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL | (attrs & FILE_ATTRIBUTE_DIRECTORY));
    if ((attrs & FILE_ATTRIBUTE_DIRECTORY) == 0 || (attrs & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        if (!::DeleteFileW(path.c_str())) ::RemoveDirectoryW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW data{};
    const HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") wipe_tree(path + L"\\" + name);
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(path.c_str());
}

}  // namespace tu::test_support
