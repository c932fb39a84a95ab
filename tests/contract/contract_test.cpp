// The platform contract: the Windows facts that the logic relies on, as one typed suite held
// against every platform. The fake runs it as Windows and as Wine on every host; the Windows
// build runs it again against the Win32 platform on real files under Wine, where the fake
// that stands for Wine must give the same answers. Most of the logic's tests run on the fake
// alone: a fake that drifted from Windows would make them test the wrong thing.
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "worlds.h"

namespace tu::contract {
namespace {

template <typename T>
std::uint32_t code_of(const std::expected<T, OsError>& result) {
    return result ? 0u : result.error().code;
}

// Names and kinds of a listing, sorted: "dir", "file", or "ro" for a read-only file.
using Kinds = std::vector<std::pair<std::string, std::string>>;
const DirEntry& entry_of(const DirEntry& entry) { return entry; }
const DirEntry& entry_of(const std::expected<DirEntry, OsError>& entry) { return entry.value(); }
Kinds kinds(const auto& listing) {
    Kinds out;
    for (const auto& item : listing) {
        const DirEntry& entry = entry_of(item);
        EXPECT_FALSE(entry.info.reparse_point) << to_utf8(entry.name);
        out.emplace_back(to_utf8(entry.name), entry.info.directory ? "dir" : entry.info.readonly ? "ro" : "file");
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Whether an entry is there by its folder's listing: "yes", "no" or the code of the failure.
std::string there(Platform& os, PStringView path) {
    const auto name = os.entry_name(path);
    if (name) return "yes";
    const std::uint32_t code = name.error().code;
    return code == 2 || code == 3 ? "no" : "error " + std::to_string(code);
}

// The outcome of opening a path for its deletion; what opens is closed again.
std::uint32_t open_code(Platform& os, PStringView path) {
    const auto opened = os.open_no_follow(HandleId{}, path, OpenFor::delete_only);
    if (opened) os.close(*opened);
    return code_of(opened);
}

template <typename World>
class PlatformContract : public ::testing::Test {
protected:
    World world;
    Platform& os() { return world.os(); }
    PString at(PStringView name) const { return winpath::join(world.root(), name); }

    OwnedHandle open(HandleId parent, PStringView name, OpenFor purpose = OpenFor::delete_only) {
        auto opened = os().open_no_follow(parent, name, purpose);
        EXPECT_TRUE(opened.has_value()) << to_utf8(name) << ": " << code_of(opened);
        return opened ? OwnedHandle(os(), *opened) : OwnedHandle();
    }
    OwnedHandle open_folder(PStringView path) { return open(HandleId{}, path, OpenFor::list_and_delete); }

    // As the removal deletes: the extended disposition, or where it is refused (1, 50, 87)
    // the classic one, after clearing a read-only attribute.
    void delete_through(HandleId handle) {
        const auto extended = os().set_disposition(handle, Disposition::extended);
        if (extended) return;
        const std::uint32_t code = extended.error().code;
        ASSERT_TRUE(code == 1 || code == 50 || code == 87) << code;
        ASSERT_EQ(code_of(os().clear_readonly(handle)), 0u);
        ASSERT_EQ(code_of(os().set_disposition(handle, Disposition::classic)), 0u);
    }
};

#ifdef _WIN32
using Platforms = ::testing::Types<FakeWindows, FakeWine, Win32World>;
#else
using Platforms = ::testing::Types<FakeWindows, FakeWine>;
#endif
TYPED_TEST_SUITE(PlatformContract, Platforms);

TYPED_TEST(PlatformContract, WhatIsNotThereOrNotAFolder) {
    Platform& os = this->os();
    const PString missing = this->at(u"missing"), below = this->at(u"missing\\x");
    for (const bool follow : {true, false}) {
        EXPECT_EQ(code_of(os.file_info(missing, follow)), 2u);
        EXPECT_EQ(code_of(os.file_info(below, follow)), 3u);
    }
    EXPECT_EQ(code_of(os.final_path(missing)), 2u);
    EXPECT_EQ(code_of(os.final_path(below)), 3u);
    EXPECT_EQ(code_of(os.read_file(missing)), 2u);
    EXPECT_EQ(code_of(os.read_file(below)), 3u);
    EXPECT_EQ(open_code(os, missing), 2u);
    EXPECT_EQ(open_code(os, below), 3u);
    EXPECT_EQ(code_of(os.open_no_follow(this->open_folder(this->world.root()).get(), u"missing", OpenFor::delete_only)), 2u);
    // A listing looks for "missing\*": the folder is a parent there.
    EXPECT_EQ(code_of(os.list_dir(missing)), 3u);
    EXPECT_EQ(code_of(os.list_dir(below)), 3u);
    EXPECT_EQ(code_of(os.set_current_dir(missing)), 2u);
    EXPECT_EQ(code_of(this->world.delete_file(missing)), 2u);
    EXPECT_EQ(code_of(this->world.delete_file(below)), 3u);
    EXPECT_EQ(there(os, missing), "no");
    EXPECT_EQ(there(os, below), "no");

    const PString file = this->world.file(u"plain.txt");
    const PString folder = this->world.dir(u"folder");
    // Not "not found": Windows says 267, Wine 123.
    const std::uint32_t listed = code_of(os.list_dir(file));
    EXPECT_TRUE(listed != 0 && listed != 2 && listed != 3) << listed;
    EXPECT_EQ(code_of(this->world.remove_directory(file)), 267u);
    EXPECT_EQ(code_of(this->world.delete_file(folder)), 5u);
    EXPECT_EQ(code_of(os.create_dir_all(file)), 183u);
    EXPECT_NE(code_of(os.create_dir_all(file + u"\\sub\\deeper")), 0u);
}

TYPED_TEST(PlatformContract, PathsHandlesAndListingsReportKindAndReadOnly) {
    Platform& os = this->os();
    this->world.file(u"tree\\a.txt");
    const PString readonly = this->world.file(u"tree\\ro.txt", "x", true);
    this->world.file(u"tree\\sub\\b.txt");
    this->world.dir(u"tree\\sub\\empty");
    const PString tree = this->at(u"tree");
    const Kinds top = {{"a.txt", "file"}, {"ro.txt", "ro"}, {"sub", "dir"}};
    for (const bool follow : {true, false}) {
        const auto folder = os.file_info(tree, follow).value();
        EXPECT_TRUE(folder.directory && !folder.reparse_point);
        const auto file = os.file_info(readonly, follow).value();
        EXPECT_TRUE(file.regular_file() && file.readonly);
    }
    EXPECT_EQ(there(os, tree), "yes");
    // By path, without "." and "..", with a trailing separator or without.
    EXPECT_EQ(kinds(os.list_dir(tree).value()), top);
    EXPECT_EQ(kinds(os.list_dir(tree + u"\\").value()), top);
    EXPECT_EQ(kinds(os.list_dir(this->at(u"tree\\sub\\empty")).value()), Kinds{});

    // By handle, each folder opened relative to the one above it.
    OwnedHandle root = this->open_folder(tree);
    EXPECT_TRUE(os.handle_info(root.get()).value().directory);
    EXPECT_EQ(kinds(os.list_handle(root.get()).value()), top);
    // Wine looks into a folder without sharing delete: not while the helper holds it open.
    const bool wine = this->world.wine();
    EXPECT_EQ(code_of(os.list_dir(tree)), wine ? 32u : 0u);
    EXPECT_EQ(there(os, this->at(u"tree\\a.txt")), wine ? "error 32" : "yes");
    OwnedHandle sub = this->open(root.get(), u"sub", OpenFor::list_and_delete);
    EXPECT_TRUE(os.handle_info(sub.get()).value().directory);
    EXPECT_EQ(kinds(os.list_handle(sub.get()).value()), (Kinds{{"b.txt", "file"}, {"empty", "dir"}}));
    OwnedHandle empty = this->open(sub.get(), u"empty", OpenFor::list_and_delete);
    EXPECT_EQ(kinds(os.list_handle(empty.get()).value()), Kinds{});
    OwnedHandle file = this->open(root.get(), u"ro.txt");
    const auto file_info = os.handle_info(file.get()).value();
    EXPECT_TRUE(file_info.regular_file() && file_info.readonly);
    // A file opened as a tree root opens, and says it is no folder.
    OwnedHandle file_root = this->open_folder(this->at(u"tree\\a.txt"));
    EXPECT_FALSE(os.handle_info(file_root.get()).value().directory);
}

TYPED_TEST(PlatformContract, FinalNamesKeepTheCaseOnDiskWhateverTheSpelling) {
    Platform& os = this->os();
    const PString file = this->world.file(u"Sub Dir\\File.TXT");
    const PString base = os.final_path(this->world.root()).value();
    EXPECT_TRUE(base.starts_with(u"\\\\?\\")) << to_utf8(base);
    const std::string exact = to_utf8(base + u"\\Sub Dir\\File.TXT");
    PString lower = file, slashes = file;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; });
    std::replace(slashes.begin(), slashes.end(), u'\\', u'/');
    for (const PString& spelling : {file, lower, slashes, this->at(u"Sub Dir\\..\\Sub Dir\\.\\File.TXT")})
        EXPECT_EQ(to_utf8(os.final_path(spelling).value()), exact) << to_utf8(spelling);
    EXPECT_EQ(to_utf8(os.final_path(this->at(u"sub dir\\")).value()), to_utf8(base + u"\\Sub Dir"));
    // An open handle reports the same name.
    OwnedHandle handle = this->open(HandleId{}, lower);
    EXPECT_EQ(to_utf8(os.handle_path(handle.get()).value()), exact);
    OwnedHandle root = this->open_folder(this->world.root());
    OwnedHandle sub = this->open(root.get(), u"Sub Dir", OpenFor::list_and_delete);
    EXPECT_EQ(to_utf8(os.handle_path(sub.get()).value()), to_utf8(base + u"\\Sub Dir"));
}

// An entry is named as its folder spells it: its long name, in the letter case stored,
// whatever the path called it (another case, its 8.3 alias), which also opens it.
TYPED_TEST(PlatformContract, EntriesAreNamedAsTheirFolderSpellsThem) {
    Platform& os = this->os();
    this->world.file(u"Sub Dir\\File.TXT");
    const PString alias = this->world.short_alias(this->at(u"Sub Dir"));
    ASSERT_FALSE(alias.empty());
    const std::pair<PString, const char*> named[] = {
        {this->at(u"sub dir\\file.txt"), "File.TXT"},
        {this->at(u"SUB DIR"), "Sub Dir"},
        {this->at(alias), "Sub Dir"},
        {this->at(alias + u"\\File.TXT"), "File.TXT"},
    };
    for (const auto& [path, name] : named) EXPECT_EQ(to_utf8(os.entry_name(path).value()), name) << to_utf8(path);
    EXPECT_EQ(to_utf8(os.final_path(this->at(alias)).value()), to_utf8(os.final_path(this->at(u"Sub Dir")).value()));
    EXPECT_EQ(code_of(os.entry_name(this->at(u"missing"))), 2u);
    EXPECT_EQ(code_of(os.entry_name(this->at(u"missing\\x"))), 3u);
}

TYPED_TEST(PlatformContract, FileHeldWithoutDeleteSharingRefusesDeletionUntilReleased) {
    Platform& os = this->os();
    const PString file = this->world.file(u"tree\\held.txt");
    this->world.hold(file);
    EXPECT_EQ(open_code(os, file), 32u);
    EXPECT_EQ(code_of(this->world.delete_file(file)), 32u);
    // Still there for the presence test, which asks for no access rights.
    EXPECT_TRUE(os.file_info(file, true).has_value());
    {
        OwnedHandle root = this->open_folder(this->at(u"tree"));
        EXPECT_EQ(code_of(os.open_no_follow(root.get(), u"held.txt", OpenFor::delete_only)), 32u);
        this->world.release(file);
        OwnedHandle handle = this->open(root.get(), u"held.txt");
        this->delete_through(handle.get());
    }
    EXPECT_EQ(there(os, file), "no");
}

// A holder that shares delete lets the deletion through. The classic disposition leaves the
// file in its folder until the holder lets go: Wine still shows and opens it, and its folder
// is not empty. Windows' extended disposition (POSIX semantics) takes the name away at once.
TYPED_TEST(PlatformContract, FileHeldWithDeleteSharingStaysUntilReleased) {
    Platform& os = this->os();
    const PString file = this->world.file(u"tree\\shared.txt");
    this->world.hold(file, true);
    {
        OwnedHandle handle = this->open(HandleId{}, file);
        this->delete_through(handle.get());
    }
    const bool wine = this->world.wine();
    EXPECT_EQ(there(os, file), wine ? "yes" : "no");
    EXPECT_EQ(code_of(os.file_info(file, true)), wine ? 0u : 2u);
    EXPECT_EQ(open_code(os, file), wine ? 0u : 2u);
    {
        OwnedHandle folder = this->open_folder(this->at(u"tree"));
        EXPECT_EQ(code_of(os.set_disposition(folder.get(), Disposition::classic)), wine ? 145u : 0u);
    }
    this->world.release(file);
    EXPECT_EQ(there(os, file), "no");
}

// The classic disposition refuses a read-only file until the attribute is cleared; Windows
// takes the extended one all the same and the name goes at once, Wine refuses it with 87.
TYPED_TEST(PlatformContract, ReadOnlyFilesAndTheTwoDispositions) {
    Platform& os = this->os();
    const PString file = this->world.file(u"ro.txt", "kept", true);
    EXPECT_EQ(code_of(this->world.delete_file(file)), 5u);
    {
        OwnedHandle handle = this->open(HandleId{}, file);
        EXPECT_EQ(code_of(os.set_disposition(handle.get(), Disposition::classic)), 5u);
        ASSERT_EQ(code_of(os.clear_readonly(handle.get())), 0u);
        const auto info = os.file_info(file, true).value();
        EXPECT_TRUE(info.regular_file() && !info.readonly);
        EXPECT_EQ(os.read_file(file).value(), "kept");
        EXPECT_EQ(code_of(os.set_disposition(handle.get(), Disposition::classic)), 0u);
        EXPECT_EQ(there(os, file), "yes");  // until the last handle goes
    }
    EXPECT_EQ(there(os, file), "no");

    const PString other = this->world.file(u"ro2.txt", "x", true);
    OwnedHandle handle = this->open(HandleId{}, other);
    const bool wine = this->world.wine();
    EXPECT_EQ(code_of(os.set_disposition(handle.get(), Disposition::extended)), wine ? 87u : 0u);
    EXPECT_EQ(there(os, other), wine ? "yes" : "no");
}

TYPED_TEST(PlatformContract, FolderIsDeletedOnlyOnceItsEntriesAre) {
    Platform& os = this->os();
    this->world.file(u"tree\\sub\\inside.txt");
    OwnedHandle root = this->open_folder(this->at(u"tree"));
    {
        OwnedHandle sub = this->open(root.get(), u"sub", OpenFor::list_and_delete);
        EXPECT_EQ(code_of(os.set_disposition(sub.get(), Disposition::classic)), 145u);
        EXPECT_EQ(code_of(this->world.remove_directory(this->at(u"tree\\sub"))), 145u);
        {
            OwnedHandle inside = this->open(sub.get(), u"inside.txt");
            this->delete_through(inside.get());
        }
        this->delete_through(sub.get());
    }
    EXPECT_EQ(code_of(os.file_info(this->at(u"tree\\sub"), true)), 2u);
}

TYPED_TEST(PlatformContract, FoldersAreMadeAndFilesWrittenThroughAHandle) {
    Platform& os = this->os();
    const PString root = this->world.root();
    ASSERT_EQ(code_of(os.create_dir_all(this->at(u"a\\b/c\\"))), 0u);
    EXPECT_TRUE(os.file_info(this->at(u"a\\b\\c"), true).value().directory);
    EXPECT_EQ(code_of(os.create_dir_all(this->at(u"a\\b\\c"))), 0u) << "an existing folder is fine";

    // The working directory is kept without its trailing separator; relative paths start there.
    const PString before = os.current_dir().value();
    ASSERT_EQ(code_of(os.set_current_dir(root + u"\\")), 0u);
    EXPECT_EQ(to_utf8(os.current_dir().value()), to_utf8(root));
    EXPECT_EQ(code_of(os.create_dir_all(u"rel\\x")), 0u);
    ASSERT_EQ(code_of(os.set_current_dir(before)), 0u);
    EXPECT_TRUE(os.file_info(this->at(u"rel\\x"), true).value().directory);

    // A file written through a handle opened relative to its folder's: made where nothing
    // stands, opened as it is where a file does. Each append lands at the end, whoever wrote
    // last, also while another program reads the file sharing read, write and delete (as the
    // helper shares it); truncating empties it.
    const PString log = this->at(u"run.log");
    OwnedHandle folder = this->open(HandleId{}, root, OpenFor::create_in);
    EXPECT_TRUE(os.handle_info(folder.get()).value().directory);
    OwnedHandle first(os, os.open_for_writing(folder.get(), u"run.log").value());
    EXPECT_TRUE(os.handle_info(first.get()).value().regular_file());
    EXPECT_EQ(to_utf8(os.handle_path(first.get()).value()), to_utf8(os.final_path(root).value() + u"\\run.log"));
    ASSERT_EQ(code_of(os.append(first.get(), "first\n")), 0u);
    OwnedHandle second(os, os.open_for_writing(folder.get(), u"run.log").value());
    this->world.hold(log, true);
    ASSERT_EQ(code_of(os.append(second.get(), "second \xC3\xA9\n")), 0u);
    ASSERT_EQ(code_of(os.append(first.get(), "third\n")), 0u);
    this->world.release(log);
    EXPECT_EQ(os.read_file(log).value(), "first\nsecond \xC3\xA9\nthird\n");
    ASSERT_EQ(code_of(os.truncate(second.get())), 0u);
    EXPECT_EQ(os.read_file(log).value(), "");
    // A second name of the file counts on every handle; a folder in the name's place is no file.
    EXPECT_EQ(os.handle_links(first.get()).value(), 1u);
    this->world.hard_link(this->at(u"second name.log"), log);
    EXPECT_EQ(os.handle_links(first.get()).value(), 2u);
    this->world.dir(u"folder.log");
    EXPECT_EQ(code_of(os.open_for_writing(folder.get(), u"folder.log")), 5u);
}

// A shortcut's target reads back as saved, letter case and all, with '\' for every '/'; a
// link to a virtual folder reads empty. A file the shell cannot load fails at the load.
TYPED_TEST(PlatformContract, ShortcutsReadBackTheirTargetAsSaved) {
    Platform& os = this->os();
    const PString app = this->world.file(u"App Folder\\App.exe");
    PString shouted = app;
    std::transform(shouted.begin(), shouted.end(), shouted.begin(), [](char16_t c) { return c >= u'a' && c <= u'z' ? c - 32 : c; });
    PString slashes = shouted;
    std::replace(slashes.begin(), slashes.end(), u'\\', u'/');
    // Wine keeps link paths in the ANSI code page: no letter beyond it here.
    const PString accented = this->at(u"P\u00EDklad\\Ne\u00FApln\u00E9.exe");
    const std::pair<PString, PString> saved[] = {{app, app}, {slashes, shouted}, {accented, accented}, {u"", u""}};
    int n = 0;
    for (const auto& [target, read] : saved) {
        const PString link = this->world.shortcut(to_utf16("link" + std::to_string(n++) + ".lnk"), target);
        EXPECT_EQ(to_utf8(os.read_shortcut_target(link).value()), to_utf8(read));
    }
    const std::pair<PString, std::uint32_t> unreadable[] = {
        {this->world.file(u"corrupt.lnk", "not a shell link, only some text"), 0x80004005u},
        {this->world.file(u"empty.lnk", ""), 0x80004005u},
        {this->at(u"missing.lnk"), 0x80070002u},
        {this->world.dir(u"folder.lnk"), 0x80070005u},
    };
    for (const auto& [path, status] : unreadable) {
        const auto target = os.read_shortcut_target(path);
        ASSERT_FALSE(target.has_value()) << to_utf8(path);
        EXPECT_EQ(target.error().step, ShortcutStep::load) << to_utf8(path);
        EXPECT_EQ(target.error().status, status) << to_utf8(path);
    }
}

// Links, where the platform can make them (Wine cannot). Windows opens a link itself when it
// is asked not to follow it; Wine, with links made on the Linux side, opens what it leads to
// all the same, and lists a folder link as a folder with a reparse point and no tag and a
// file link as the file it leads to.
template <typename World>
using LinkContract = PlatformContract<World>;
using LinkPlatforms = ::testing::Types<FakeWindows, FakeWine>;
TYPED_TEST_SUITE(LinkContract, LinkPlatforms);

TYPED_TEST(LinkContract, LinksLeadWhereTheyPointUnlessTheyAreNotFollowed) {
    Platform& os = this->os();
    const PString kept = this->world.file(u"outside\\keep.txt", "k");
    this->world.symlink(this->at(u"tree\\folder link"), this->at(u"outside"), true);
    this->world.symlink(this->at(u"tree\\file link"), kept, false);
    const PString base = os.final_path(this->world.root()).value();
    const bool wine = this->world.wine();
    EXPECT_EQ(to_utf8(os.final_path(this->at(u"tree\\folder link\\keep.txt")).value()),
              to_utf8(base + u"\\outside\\keep.txt"));
    EXPECT_FALSE(os.file_info(this->at(u"tree\\folder link"), true).value().reparse_point);
    EXPECT_EQ(os.file_info(this->at(u"tree\\folder link"), false).value().name_surrogate(), !wine);
    const auto listing = os.list_dir(this->at(u"tree")).value();
    ASSERT_EQ(listing.size(), 2u);
    for (const auto& entry : listing) {
        const bool folder = entry.value().name == u"folder link";
        EXPECT_EQ(entry->info.directory, folder);
        EXPECT_EQ(entry->info.reparse_point, folder || !wine) << to_utf8(entry->name);
        EXPECT_EQ(entry->info.name_surrogate(), !wine) << to_utf8(entry->name);
    }
    // Deleting "the link" deletes the link on Windows, and on Wine what it leads to.
    {
        OwnedHandle link = this->open(HandleId{}, this->at(u"tree\\file link"));
        EXPECT_EQ(to_utf8(os.handle_path(link.get()).value()),
                  to_utf8(base + (wine ? u"\\outside\\keep.txt" : u"\\tree\\file link")));
        this->delete_through(link.get());
    }
    EXPECT_EQ(there(os, kept), wine ? "no" : "yes");
    EXPECT_EQ(there(os, this->at(u"tree\\file link")), wine ? "yes" : "no");
    // Its folder names a link, and does not follow it.
    EXPECT_EQ(to_utf8(os.entry_name(this->at(u"tree\\FOLDER LINK")).value()), "folder link");
}

// Where letter case tells names apart (Wine on Linux), two folders whose names differ only in
// case are two entries: each, spelled exactly, opens itself by path and relative to its
// folder, and its final name and its folder's listing say so; a third spelling finds one of
// them. Wine makes no such pair itself: the Win32 world makes them from the Linux side.
template <typename World>
using CaseContract = PlatformContract<World>;
#ifdef _WIN32
using CasePlatforms = ::testing::Types<FakeWine, Win32World>;
#else
using CasePlatforms = ::testing::Types<FakeWine>;
#endif
TYPED_TEST_SUITE(CaseContract, CasePlatforms);

TYPED_TEST(CaseContract, NamesThatDifferOnlyInCaseAreTwoEntries) {
    Platform& os = this->os();
    const PString base = os.final_path(this->world.root()).value();
    const PString names[] = {u"Tarvo", u"TARVO"};
    for (const PString& name : names) {
        ASSERT_TRUE(this->world.folder_exactly(name)) << to_utf8(name);
        this->world.file(name + u"\\f.txt", to_utf8(name));
    }
    for (const PString& name : names) {
        EXPECT_EQ(to_utf8(os.final_path(this->at(name)).value()), to_utf8(base + u"\\" + name));
        EXPECT_EQ(to_utf8(os.entry_name(this->at(name)).value()), to_utf8(name));
        EXPECT_EQ(os.read_file(this->at(name + u"\\f.txt")).value(), to_utf8(name));
    }
    const std::string third = to_utf8(os.entry_name(this->at(u"tarvo")).value());
    EXPECT_TRUE(third == "Tarvo" || third == "TARVO") << third;
    EXPECT_EQ(to_utf8(os.final_path(this->at(u"tarvo")).value()), to_utf8(base) + "\\" + third);
    // Relative to their folder's handle (Wine answers no name query in a folder held open).
    OwnedHandle root = this->open_folder(this->world.root());
    EXPECT_EQ(kinds(os.list_handle(root.get()).value()), (Kinds{{"TARVO", "dir"}, {"Tarvo", "dir"}}));
    for (const PString& name : names) {
        OwnedHandle folder = this->open(root.get(), name, OpenFor::list_and_delete);
        EXPECT_EQ(to_utf8(os.handle_path(folder.get()).value()), to_utf8(base + u"\\" + name));
    }
}

}  // namespace
}  // namespace tu::contract
