#include "win32_test_support.h"

#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <atomic>

#include "support/scratch_tree.h"
#include "support/start_process.h"
#include "platform/text.h"
#include "platform/winpath.h"
#include "platform/win32/win32_platform.h"

namespace tu::win32::test {

namespace {

std::atomic<unsigned> counter{0};

// A name for a kernel object that no other test or run uses.
std::wstring unique_name(std::wstring_view what) {
    return L"tu-win32-test-" + std::wstring(what) + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(counter++);
}

}  // namespace

std::wstring w(PStringView text) { return std::wstring(text.begin(), text.end()); }
PString p(std::wstring_view text) { return PString(text.begin(), text.end()); }
std::string utf8(PStringView text) { return to_utf8(text); }

ScratchFolder::ScratchFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring name = unique_name(L"files");
    path_ = p(std::wstring(temp) + name);
    test_support::wipe_tree(w(path_));
    ::CreateDirectoryW(w(path_).c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { test_support::wipe_tree(w(path_)); }

PString ScratchFolder::operator/(PStringView name) const { return winpath::join(path_, name); }

PString ScratchFolder::file(PStringView name, std::string_view content, DWORD attrs) const {
    const PString path = *this / name;
    if (auto parent = winpath::parent(path)) test_support::make_dirs(w(*parent));
    HANDLE file = ::CreateFileW(w(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attrs, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << utf8(path);
    DWORD written = 0;
    ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(file);
    return path;
}

PString ScratchFolder::dir(PStringView name) const {
    const PString path = *this / name;
    test_support::make_dirs(w(path));
    EXPECT_NE(attributes(path) & FILE_ATTRIBUTE_DIRECTORY, 0u) << utf8(path);
    return path;
}

bool exists(PStringView path) { return attributes(path) != INVALID_FILE_ATTRIBUTES; }
DWORD attributes(PStringView path) { return ::GetFileAttributesW(w(path).c_str()); }

PString child_program() {
    const PString self = platform().module_path().value();
    return winpath::join(winpath::parent(self).value(), u"test_child.exe");
}

Child::Child(const std::vector<PString>& arguments) {
    const PString program = child_program();
    std::wstring command = quote_argument(w(program));
    for (const auto& argument : arguments) command += L" " + quote_argument(w(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    const BOOL started = test_support::start_process(w(program).c_str(), command.data(), 0, nullptr, &startup, &info_);
    EXPECT_TRUE(started) << "CreateProcessW failed with " << ::GetLastError();
}

Child::~Child() {
    if (info_.hProcess) {
        if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(info_.hProcess, 99);
            ::WaitForSingleObject(info_.hProcess, INFINITE);
        }
        ::CloseHandle(info_.hProcess);
        ::CloseHandle(info_.hThread);
    }
}

DWORD Child::wait() {
    if (!info_.hProcess || ::WaitForSingleObject(info_.hProcess, 60'000) != WAIT_OBJECT_0) return ~0u;
    DWORD status = ~0u;
    ::GetExitCodeProcess(info_.hProcess, &status);
    return status;
}

Holder::Holder(PStringView path, bool share_delete) {
    const std::wstring ready_name = unique_name(L"ready");
    const std::wstring stop_name = unique_name(L"stop");
    ready_ = ::CreateEventW(nullptr, TRUE, FALSE, ready_name.c_str());
    stop_ = ::CreateEventW(nullptr, TRUE, FALSE, stop_name.c_str());
    std::vector<PString> arguments{u"hold", PString(path), p(ready_name), p(stop_name)};
    if (share_delete) arguments.push_back(u"delete");
    child_ = std::make_unique<Child>(arguments);
    // Ready, or the child ended without getting hold of the file.
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, child_->pid());
    HANDLE waits[] = {ready_, process};
    holding_ = ::WaitForMultipleObjects(process ? 2 : 1, waits, FALSE, 60'000) == WAIT_OBJECT_0;
    if (process) ::CloseHandle(process);
}

DWORD Holder::release() {
    ::SetEvent(stop_);
    return child_->wait();
}

Holder::~Holder() {
    ::SetEvent(stop_);
    child_.reset();
    ::CloseHandle(ready_);
    ::CloseHandle(stop_);
}

HRESULT make_shortcut(PStringView link_path, PStringView target) {
    const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HRESULT status = E_FAIL;
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    status = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link));
    if (SUCCEEDED(status)) {
        if (target.empty()) {
            PIDLIST_ABSOLUTE computer = nullptr;
            status = ::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer);
            if (SUCCEEDED(status)) status = link->SetIDList(computer);
            ::CoTaskMemFree(computer);
        } else {
            status = link->SetPath(w(target).c_str());
        }
    }
    if (SUCCEEDED(status)) status = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(status)) status = file->Save(w(link_path).c_str(), TRUE);
    if (file) file->Release();
    if (link) link->Release();
    if (SUCCEEDED(init)) ::CoUninitialize();
    return status;
}

}  // namespace tu::win32::test
