// The worlds the platform contract runs in. Each gives its Platform (os), says whether it is
// Wine's Windows (wine), and builds below a fresh folder of its own (root) what a test needs:
// folders, files, shortcuts, hard links, another program holding a file open (hold,
// release), and deletion by name as other programs delete (DeleteFileW, RemoveDirectoryW). The fake's
// worlds can also make links; Wine cannot, so the suite of links runs only there.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "platform/fake/fake_platform.h"
#include "platform/winpath.h"

#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#include "support/linux_side.h"
#include "win32/win32_test_support.h"
#endif

namespace tu::contract {

// The fake as Windows on NTFS, or as Wine: Wine refuses the extended delete disposition,
// follows links that it is asked not to follow, and tells names apart by their letter case.
template <bool Wine>
class FakeWorld {
public:
    FakeWorld() {
        fake_.follows_final_links = Wine;
        fake_.extended_disposition_supported = !Wine;
        fake_.case_sensitive = Wine;
        fake_.add_dir(root_);
    }
    Platform& os() { return fake_; }
    bool wine() const { return Wine; }
    const PString& root() const { return root_; }
    PString dir(PStringView name) {
        const PString path = winpath::join(root_, name);
        fake_.add_dir(path);
        return path;
    }
    PString file(PStringView name, std::string_view content = "x", bool readonly = false) {
        const PString path = winpath::join(root_, name);
        fake_.add_file(path, content, readonly);
        return path;
    }
    PString shortcut(PStringView name, PStringView target) {
        const PString path = winpath::join(root_, name);
        fake_.add_shortcut(path, target);
        return path;
    }
    void hold(PStringView path, bool share_delete = false) { fake_.hold_open(path, share_delete); }
    void release(PStringView path) { fake_.release(path); }
    std::expected<void, OsError> delete_file(PStringView path) { return fake_.delete_file(path); }
    std::expected<void, OsError> remove_directory(PStringView path) { return fake_.remove_directory(path); }
    void hard_link(PStringView path, PStringView existing) { fake_.add_hard_link(path, existing); }
    void symlink(PStringView path, PStringView target, bool directory) { fake_.add_symlink(path, target, directory); }
    void junction(PStringView path, PStringView target) { fake_.add_junction(path, target); }
    // A folder named exactly so, beside one whose name differs only in case (Wine only).
    bool folder_exactly(PStringView name) {
        fake_.add_dir(winpath::join(root_, name));
        return true;
    }
    // The entry's 8.3 alias.
    PString short_alias(PStringView path) {
        fake_.set_short_name(path, u"SUBDIR~1");
        return u"SUBDIR~1";
    }

private:
    fake::FakePlatform fake_;
    PString root_ = u"C:\\Users\\tester\\Contract";
};
using FakeWindows = FakeWorld<false>;
using FakeWine = FakeWorld<true>;

#ifdef _WIN32
// The Win32 platform on real files in a scratch folder below the temporary directory, with
// the test child as the other program.
class Win32World {
public:
    Platform& os() { return win32::platform(); }
    bool wine() const {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
    }
    const PString& root() const { return scratch_.path(); }
    PString dir(PStringView name) { return scratch_.dir(name); }
    PString file(PStringView name, std::string_view content = "x", bool readonly = false) {
        return scratch_.file(name, content, readonly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
    }
    PString shortcut(PStringView name, PStringView target) {
        const PString path = scratch_ / name;
        EXPECT_EQ(win32::test::make_shortcut(path, target), S_OK) << win32::test::utf8(path);
        return path;
    }
    void hold(PStringView path, bool share_delete = false) {
        auto& holder = holders_[PString(path)] = std::make_unique<win32::test::Holder>(path, share_delete);
        ASSERT_TRUE(holder->holding());
    }
    void release(PStringView path) {
        if (auto it = holders_.find(PString(path)); it != holders_.end()) {
            EXPECT_EQ(it->second->release(), 0u);
            holders_.erase(it);
        }
    }
    std::expected<void, OsError> delete_file(PStringView path) {
        if (::DeleteFileW(win32::test::w(path).c_str())) return {};
        return std::unexpected(OsError{::GetLastError(), "DeleteFileW"});
    }
    std::expected<void, OsError> remove_directory(PStringView path) {
        if (::RemoveDirectoryW(win32::test::w(path).c_str())) return {};
        return std::unexpected(OsError{::GetLastError(), "RemoveDirectoryW"});
    }
    void hard_link(PStringView path, PStringView existing) {
        EXPECT_TRUE(::CreateHardLinkW(win32::test::w(path).c_str(), win32::test::w(existing).c_str(), nullptr))
            << ::GetLastError();
    }
    // Made from the Linux side: Wine itself finds the name in any case and makes no second one.
    bool folder_exactly(PStringView name) { return test_support::make_linux_dir(win32::test::w(scratch_ / name)); }
    // The alias the file system gave the entry (Wine makes one up for every long name).
    PString short_alias(PStringView path) {
        WIN32_FIND_DATAW data{};
        const HANDLE find = ::FindFirstFileExW(win32::test::w(path).c_str(), FindExInfoStandard, &data,
                                               FindExSearchNameMatch, nullptr, 0);
        if (find == INVALID_HANDLE_VALUE) return {};
        ::FindClose(find);
        return win32::test::p(data.cAlternateFileName);
    }

private:
    win32::test::ScratchFolder scratch_;
    std::map<PString, std::unique_ptr<win32::test::Holder>> holders_;  // let go before the folder goes
};
#endif

}  // namespace tu::contract
