// Shared pieces of the Win32 layer's tests: a scratch folder on C: inside the Wine prefix,
// the child program that plays "another process", and shortcuts made the way the shell
// makes them.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/command_line.h"

namespace tu::win32::test {

std::wstring w(PStringView text);
PString p(std::wstring_view text);
std::string utf8(PStringView text);

// A fresh folder below the temporary directory (C:\users\...\Temp\), removed afterwards.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const PString& path() const { return path_; }
    PString operator/(PStringView name) const;
    // Makes a file (and its missing parent folders) with the content given.
    PString file(PStringView name, std::string_view content = "x", DWORD attributes = FILE_ATTRIBUTE_NORMAL) const;
    PString dir(PStringView name) const;

private:
    PString path_;
};

bool exists(PStringView path);
DWORD attributes(PStringView path);

// The test child program (test_child.exe, next to the test exe).
PString child_program();

// A child process; ends it (if still running) and closes its handles when destroyed.
class Child {
public:
    explicit Child(const std::vector<PString>& arguments);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    DWORD pid() const { return info_.dwProcessId; }
    // Waits for the end and returns the exit status; ~0u when it does not end in time.
    DWORD wait();

private:
    PROCESS_INFORMATION info_{};
};

// Another process holding `path` open until released, with or without delete sharing.
class Holder {
public:
    explicit Holder(PStringView path, bool share_delete = false);
    ~Holder();
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    bool holding() const { return holding_; }
    // Lets the holder close the file and waits for it to end.
    DWORD release();

private:
    HANDLE ready_ = nullptr;
    HANDLE stop_ = nullptr;
    std::unique_ptr<Child> child_;
    bool holding_ = false;
};

// The code of a failed call; 0 for success.
template <typename T>
std::uint32_t code_of(const std::expected<T, OsError>& result) {
    return result.has_value() ? 0u : result.error().code;
}

// Quotes one argument the way CommandLineToArgvW splits it back.
using test_support::quote_argument;

// A .lnk file made through IShellLinkW and IPersistFile::Save; an empty target makes a
// link to "This PC", which has no file-system path. Returns the HRESULT of the save.
HRESULT make_shortcut(PStringView link_path, PStringView target);

}  // namespace tu::win32::test
