#include "e2e_support.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "support/command_line.h"
#include "support/start_process.h"

namespace e2e {

using tu::test_support::quote_argument;
using tu::test_support::start_process;

std::string utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring wide(std::string_view text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::wstring temp_dir() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    return std::wstring(buffer, length);
}

std::wstring working_dir_in_temp() {
    wchar_t before[MAX_PATH + 1], inside[MAX_PATH + 1];
    GetCurrentDirectoryW(MAX_PATH + 1, before);
    SetCurrentDirectoryW(temp_dir().c_str());
    const DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, inside);
    SetCurrentDirectoryW(before);
    return std::wstring(inside, length);
}

void make_dirs(const std::wstring& path) {
    if (!tu::test_support::make_dirs(path)) ADD_FAILURE() << "cannot create " << utf8(path) << ": " << GetLastError();
}

void write_file(const std::wstring& path, std::string_view content) {
    make_dirs(path.substr(0, path.find_last_of(L'\\')));
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot write " << utf8(path) << ": " << GetLastError();
        return;
    }
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

void copy_file(const std::wstring& from, const std::wstring& to) {
    make_dirs(to.substr(0, to.find_last_of(L'\\')));
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE))
        ADD_FAILURE() << "cannot copy " << utf8(from) << " to " << utf8(to) << ": " << GetLastError();
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring verbatim(const std::wstring& path) { return path.starts_with(L"\\\\") ? path : L"\\\\?\\" + path; }

namespace {

// Releases a COM interface on every path out of the scope that obtained it.
template <class T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
};

}  // namespace

void make_shortcut(const std::wstring& lnk, const std::wstring& target) {
    make_dirs(lnk.substr(0, lnk.find_last_of(L'\\')));
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        ComPtr<IShellLinkW> link;
        ComPtr<IPersistFile> file;
        HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                      reinterpret_cast<void**>(&link.p));
        if (SUCCEEDED(hr)) hr = link.p->SetPath(target.c_str());
        if (SUCCEEDED(hr)) hr = link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p));
        if (SUCCEEDED(hr)) hr = file.p->Save(lnk.c_str(), TRUE);
        if (FAILED(hr)) ADD_FAILURE() << "cannot save shortcut " << utf8(lnk) << ": " << std::hex << hr;
    }
    if (SUCCEEDED(init)) CoUninitialize();
}

std::vector<std::string> read_lines(const std::wstring& path) {
    std::vector<std::string> out;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot read " << utf8(path);
        return out;
    }
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
    CloseHandle(file);
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        out.push_back(content.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::vector<std::wstring> names_in(const std::wstring& dir) {
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return out;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") out.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(out.begin(), out.end());
    return out;
}

namespace {

void collect(const std::wstring& dir, const std::string& prefix, std::vector<std::string>& out) {
    for (const std::wstring& name : names_in(dir)) {
        const std::wstring path = dir + L"\\" + name;
        const bool folder = (GetFileAttributesW(verbatim(path).c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const std::string relative = prefix + utf8(name) + (folder ? "\\" : "");
        out.push_back(relative);
        if (folder) collect(path, relative, out);
    }
}

std::wstring environment(const wchar_t* variable) {
    wchar_t buffer[32768];
    const DWORD length = GetEnvironmentVariableW(variable, buffer, 32768);
    return std::wstring(buffer, length < 32768 ? length : 0);
}

// The test's environment names the built files by their Linux paths, which Wine shows as Z:.
std::wstring built_file(const wchar_t* variable) {
    std::wstring path = environment(variable);
    if (path.empty()) ADD_FAILURE() << "the test environment does not name " << utf8(variable);
    if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

}  // namespace

std::vector<std::string> tree(const std::wstring& root) {
    std::vector<std::string> out;
    collect(root, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

Started::Started(const std::wstring& exe, const std::vector<std::wstring>& args, const std::wstring& cwd) : exe_(exe) {
    std::wstring command_line = quote_argument(exe);
    for (const std::wstring& arg : args) command_line += L" " + quote_argument(arg);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!start_process(exe.c_str(), command_line.data(), 0, cwd.empty() ? nullptr : cwd.c_str(), &startup, &process)) {
        ADD_FAILURE() << "cannot start " << utf8(exe) << ": " << GetLastError();
        return;
    }
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    pid_ = process.dwProcessId;
}

Started::~Started() { wait(); }

Exit Started::wait() {
    if (!process_) return {9999, pid_};
    if (WaitForSingleObject(process_, 120'000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << utf8(exe_) << " did not end";
        TerminateProcess(process_, 9999);
        WaitForSingleObject(process_, INFINITE);
    }
    DWORD status = 9999;
    GetExitCodeProcess(process_, &status);
    CloseHandle(process_);
    process_ = nullptr;
    return {status, pid_};
}

Exit run_process(const std::wstring& exe, const std::vector<std::wstring>& args, const std::wstring& cwd) {
    return Started(exe, args, cwd).wait();
}

std::wstring built_helper() { return built_file(L"TU_HELPER_EXE"); }
std::wstring built_launcher() { return built_file(L"TU_LAUNCHER_EXE"); }
std::wstring built_planted_dll() { return built_file(L"TU_PLANTED_DLL"); }
std::wstring built_dll_probe() { return built_file(L"TU_DLL_PROBE_EXE"); }

std::vector<std::string> lines(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

void expect_log(const std::vector<std::string>& actual, const std::vector<Segment>& expected) {
    std::vector<std::string> want, got;
    std::size_t at = 0;
    for (const Segment& segment : expected) {
        std::vector<std::string> part = segment.lines;
        std::vector<std::string> seen;
        for (std::size_t i = 0; i < part.size() && at < actual.size(); ++i) seen.push_back(actual[at++]);
        if (segment.any_order) {
            std::sort(part.begin(), part.end());
            std::sort(seen.begin(), seen.end());
        }
        want.insert(want.end(), part.begin(), part.end());
        got.insert(got.end(), seen.begin(), seen.end());
    }
    got.insert(got.end(), actual.begin() + static_cast<std::ptrdiff_t>(at), actual.end());
    EXPECT_EQ(got, want) << "the whole log:\n" << [&] {
        std::string all;
        for (const std::string& l : actual) all += "  " + l + "\n";
        return all;
    }();
}

// --- the sample workstation --------------------------------------------------------------

void Workstation::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    name = wide(std::string(info->test_suite_name()) + "_" + info->name());
    std::replace(name.begin(), name.end(), L'/', L'_');
    root = L"C:\\tu-e2e\\" + name;
    wipe_tree(root);
    desktop = root + L"\\Desktop";
    programs = root + L"\\Start Menu\\Programs";
    start_menu = programs + L"\\Tarvo";
    make_dirs(desktop);
    make_dirs(start_menu);
    stage = temp_dir() + L"tu-e2e-" + name;
    wipe_tree(stage);
    helper = in(stage, helper_name);
    copy_file(built_helper(), helper);
    use_install_dir(root + L"\\Tarvo");
}

void Workstation::use_install_dir(const std::wstring& path) {
    install = path;
    wipe_tree(install);
    logs = install + L"\\logs";
    write_file(logs + L"\\older.log", "an earlier run\n");
    neighbour = install + L"\\Other\\other.exe";
    write_file(neighbour, "MZ neighbour");
}

std::wstring Workstation::launcher_as_installed_uninstaller() {
    parent = uninstaller();
    copy_file(built_launcher(), parent);
    return parent;
}

std::wstring Workstation::launcher_as_temporary_copy() {
    const std::wstring dir = temp_dir() + L"~nsu-" + name + L".tmp";
    wipe_tree(dir);
    parent = dir + L"\\Un.exe";
    copy_file(built_launcher(), parent);
    return parent;
}

std::vector<std::wstring> Workstation::command_line(const AppFacts& app, const std::wstring& mode) const {
    return {L"--mode",         mode,                L"--app-kind",    wide(app.app_kind),
            L"--install-dir",  install,             L"--app-folder",  wide(app.folder),
            L"--main-binary",  wide(app.exe),       L"--uninstaller", wide(uninstaller_name),
            L"--desktop",      desktop,             L"--start-menu",  start_menu,
            L"--product-name", wide(app.product),   L"--bundle-id",   wide(app.bundle)};
}

Exit Workstation::run(const std::vector<std::wstring>& args, const std::wstring& cwd) {
    SetEnvironmentVariableW(L"TU_STAGED_HELPER", helper.c_str());
    const Exit exit = run_process(parent, args, cwd);
    parent_pid = exit.pid;
    return exit;
}

std::unique_ptr<Started> Workstation::start(const std::vector<std::wstring>& args) {
    SetEnvironmentVariableW(L"TU_STAGED_HELPER", helper.c_str());
    return std::make_unique<Started>(parent, args);
}

std::wstring Workstation::new_log_name() const {
    std::vector<std::wstring> names = names_in(logs);
    std::erase(names, L"older.log");
    if (names.size() != 1) {
        ADD_FAILURE() << "expected one new log in " << utf8(logs) << ", found " << names.size();
        return {};
    }
    return names.front();
}

std::vector<std::string> Workstation::new_log() const {
    const std::wstring log = new_log_name();
    if (log.empty()) return {};
    return read_lines(logs + L"\\" + log);
}

std::vector<std::string> Workstation::auth_lines_a() const {
    return {line("helper_exe=", helper), "parent_pid=" + std::to_string(parent_pid), line("actual_parent=", parent),
            line("expected_parent=", parent)};
}

std::vector<std::string> Workstation::auth_lines_bc() const {
    return {line("helper_exe=", helper), "actual_parent_pid=" + std::to_string(parent_pid),
            line("actual_parent_path=", parent), line("expected_parent_path=", parent), "authorization check passed"};
}

}  // namespace e2e
