#include "authz_scene.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>

#include "support/command_line.h"
#include "support/scratch_tree.h"
#include "support/start_process.h"
#include "platform/text.h"
#include "platform/winpath.h"
#include "platform/win32/win32_platform.h"

namespace tu::authz_test {

using test_support::quote_argument;
namespace {

std::atomic<unsigned> scenes{0};

PString unique_name() {
    const std::string name = "tu-authz-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(scenes++);
    return to_utf16(name);
}

PString temp_folder(PStringView name) {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    return winpath::join(PString(temp, temp + ::wcslen(temp)), name);
}

// The launcher and the probe are built next to the test exe.
PString beside_tests(PStringView name) {
    const PString self = win32::platform().module_path().value();
    return winpath::join(winpath::parent(self).value(), name);
}

PString copy_to(PStringView program, PStringView path) {
    test_support::make_dirs(w(winpath::parent(path).value()));
    const PString source = beside_tests(program);
    EXPECT_TRUE(::CopyFileW(w(source).c_str(), w(path).c_str(), FALSE))
        << "copying " << utf8(source) << " to " << utf8(path) << " failed with " << ::GetLastError();
    return PString(path);
}

std::vector<std::string> lines_of(PStringView path) {
    std::vector<std::string> lines;
    const std::string content = win32::platform().read_file(path).value_or("");
    std::size_t start = 0;
    for (std::size_t end; (end = content.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(content.substr(start, end - start));
    return lines;
}

PString variant_letter(AuthVariant variant) {
    switch (variant) {
    case AuthVariant::A: return u"A";
    case AuthVariant::B: return u"B";
    case AuthVariant::C: break;
    }
    return u"C";
}

}  // namespace

std::wstring w(PStringView text) { return std::wstring(text.begin(), text.end()); }
std::string utf8(PStringView text) { return to_utf8(text); }

PString respell(PStringView path) {
    PString out(path);
    for (char16_t& c : out) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
        else if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        else if (c == u'\\') c = u'/';
    }
    return out;
}

PString app_folder(AuthVariant variant) {
    switch (variant) {
    case AuthVariant::A: return u"LCkapta";
    case AuthVariant::B: return u"LCKaptaO";
    case AuthVariant::C: break;
    }
    return u"UHKaptaO.K1";
}

std::string pick(AuthVariant variant, const PerVariant& texts) {
    switch (variant) {
    case AuthVariant::A: return texts.a;
    case AuthVariant::B: return texts.b;
    case AuthVariant::C: break;
    }
    return texts.c;
}

Scene::Scene() : Scene(PString()) {}

Scene::Scene(PString install_dir) : install_(std::move(install_dir)), owns_install_(install_.empty()) {
    const PString name = unique_name();
    if (owns_install_) {
        install_ = u"C:\\" + name;
        test_support::wipe_tree(w(install_));
        test_support::make_dirs(w(install_));
    }
    temp_side_ = temp_folder(name);
    test_support::wipe_tree(w(temp_side_));
    test_support::make_dirs(w(temp_side_));
}

Scene::~Scene() {
    if (owns_install_) test_support::wipe_tree(w(install_));
    test_support::wipe_tree(w(temp_side_));
}

PString Scene::app_dir(AuthVariant variant) const { return winpath::join(install_, app_folder(variant)); }

PString Scene::make_dir(PStringView path) const {
    test_support::make_dirs(w(path));
    return PString(path);
}

PString Scene::place_launcher(PStringView path) const { return copy_to(u"authz_launcher.exe", path); }
PString Scene::place_probe(PStringView path) const { return copy_to(u"authz_probe.exe", path); }

Outcome Scene::run(AuthVariant variant, PStringView launcher, PStringView probe,
                   const std::vector<PString>& flags) const {
    const PString out = winpath::join(temp_side_, u"probe-" + to_utf16(std::to_string(runs_++)) + u".log");
    std::vector<PString> arguments = flags;
    const std::vector<PString> options = {
        PString(probe),  variant_letter(variant), out,
        u"--mode",       u"full",
        u"--app-kind",   variant == AuthVariant::A ? u"kapta" : u"okrsek",
        u"--install-dir", install_,
        u"--app-folder", app_folder(variant),
        u"--main-binary", u"kapta.exe",
        u"--uninstaller", u"Zudeded2026.exe",
        u"--product-name", u"Kapta 2026",
        u"--bundle-id",  u"cz.volby.kapta",
    };
    arguments.insert(arguments.end(), options.begin(), options.end());

    std::wstring command = quote_argument(w(launcher));
    for (const PString& argument : arguments) command += L" " + quote_argument(w(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    Outcome outcome;
    if (!test_support::start_process(w(launcher).c_str(), command.data(), 0, nullptr, &startup, &info)) {
        ADD_FAILURE() << "starting " << utf8(launcher) << " failed with " << ::GetLastError();
        return outcome;
    }
    outcome.launcher_pid = info.dwProcessId;
    if (::WaitForSingleObject(info.hProcess, 150'000) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(info.hProcess, &outcome.status);
    } else {
        ::TerminateProcess(info.hProcess, 99);
        ADD_FAILURE() << "the launcher did not end";
    }
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    outcome.lines = lines_of(out);
    return outcome;
}

}  // namespace tu::authz_test
