// An in-memory Windows for the unit tests: drives, folders, files with read-only
// attributes and hard links, symbolic links and junctions, files held open by other
// programs, processes, shortcuts, a clock and a pause that counts instead of sleeping, and
// scripted faults.
//
// Paths are read by Windows' rules (platform/winpath): either separator, letter case ignored
// for ASCII names, '.' and '..' folded lexically (not in verbatim \\?\ paths), relative paths
// resolved against the current directory, links and junctions followed in every component
// but the last when an operation asks not to follow. The platform contract (tests/contract)
// holds what the fake does to what Windows and Wine do.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace tu::fake {

inline constexpr std::uint32_t reparse_tag_symlink = 0xA000000C;
inline constexpr std::uint32_t reparse_tag_junction = 0xA0000003;

// The operations a scripted fault can name (see FakePlatform::fault).
enum class Op {
    module_path, temp_dir, set_current_dir, current_dir,
    create_dir_all, read_file, file_info, final_path, list_dir, list_entry, open_no_follow,
    handle_info, handle_path, list_handle, set_disposition, clear_readonly, open_for_writing,
    handle_links, truncate, append, entry_name,
};
// The operation's name, for test messages.
std::string_view name_of(Op op);

struct FakeProcess {
    std::uint32_t pid = 0;
    std::uint32_t parent_pid = 0;
    PString image;  // Win32 image path
};

class FakePlatform final : public Platform {
public:
    FakePlatform();
    ~FakePlatform() override;

    // --- building the file system (parents are created as needed) ----------------------
    void add_dir(PStringView path);
    void add_file(PStringView path, std::string_view content = {}, bool readonly = false);
    // A .lnk file whose target the fake shell-link reader returns (may be empty: a link to
    // a virtual folder). Any other file content reads as a corrupt shortcut.
    void add_shortcut(PStringView path, PStringView target);
    void add_symlink(PStringView path, PStringView target, bool directory);
    void add_junction(PStringView path, PStringView target);
    // Another name for an existing file: both names show, and write, the same content.
    void add_hard_link(PStringView path, PStringView existing);

    // --- inspecting it (the last component is never followed) ----------------------------
    bool exists(PStringView path) const;
    std::string content(PStringView path) const;
    // Every path below `root` (root excluded), as stored, sorted.
    std::vector<std::string> tree(PStringView root) const;
    // The lines of a text file (LF separated, the final empty piece dropped).
    std::vector<std::string> lines(PStringView path) const;
    // Every path below each root, with a file's content, "<dir>", or "<link>" for a link or
    // junction: what a test compares before and after a run. Read straight from the tree, so
    // no scripted fault touches it.
    std::map<std::string, std::string> snapshot(std::initializer_list<PStringView> roots) const;

    // --- other programs -----------------------------------------------------------------
    // A file or folder held open by another program. Without delete sharing, deleting it,
    // or opening it for delete, fails with 32 until it is released. With delete sharing, a
    // delete disposition is accepted but the entry stays in its folder until the holder lets
    // go (the extended disposition's POSIX semantics unlink the name at once).
    void hold_open(PStringView path, bool share_delete = false);
    void release(PStringView path);

    // Deleting by name, for building a test's world (the logic deletes through handles):
    // DeleteFileW's and RemoveDirectoryW's outcomes. Consults no fault hook.
    std::expected<void, OsError> delete_file(PStringView path);
    std::expected<void, OsError> remove_directory(PStringView path);

    // --- scripted faults ------------------------------------------------------------
    // Consulted at the start of every operation that can fail, with the operation (the
    // Platform method of that name) and its path argument (for handle operations, the
    // handle's path; for open_no_follow the full path of the entry); an error code fails the
    // operation with that code before it does anything. Op::list_entry is asked for every
    // entry of list_dir with the entry's full path: an error there becomes that entry's
    // per-entry error (an entry that vanished while the folder was listed).
    using FaultHook = std::function<std::optional<std::uint32_t>(Op op, PStringView path)>;
    FaultHook fault;
    // Called after each counted pause; lets a test change the world "meanwhile".
    std::function<void()> on_sleep;

    // --- state a test may set or read directly -------------------------------------------
    std::vector<PString> args = {u"tarvo-untarvo.exe"};
    std::uint32_t own_pid = 4242;
    PString module = u"C:\\Users\\tester\\AppData\\Local\\Temp\\stage\\tarvo-untarvo.exe";
    std::vector<FakeProcess> processes;
    std::optional<ParentLookupError> parent_failure;
    std::map<std::uint32_t, ImageQueryError> image_failure;
    // When set, every shortcut read fails with this error (any step).
    std::optional<ShortcutError> shortcut_failure;
    PString temp = u"C:\\Users\\tester\\AppData\\Local\\Temp\\";
    PString cwd = u"C:\\";
    std::int64_t now_ticks = 17'650'000'000'000'000;  // 2025-12-08 in 100 ns ticks since 1970
    std::vector<std::uint32_t> sleeps;
    int yields = 0;
    std::optional<int> exit_status;
    // Wine refuses the extended delete disposition with 87; Windows on NTFS accepts it.
    bool extended_disposition_supported = true;
    // Wine, with links made on the Linux side: an open that asks not to follow a link follows
    // it all the same (deleting "the link" deletes what it leads to); listings show a folder
    // link as a folder with a reparse point and a file link as the file it leads to. Wine's
    // other ways are taken with it: a file whose deletion waits for its holder opens again,
    // and a folder that the helper holds open cannot be listed or looked into by name (32).
    // tests/contract holds these to what Wine does.
    bool follows_final_links = false;
    std::map<std::uint32_t, std::string> messages;  // system messages by code
    // Handles not yet closed, apart from files open for writing: a run log holds its file
    // for the whole run.
    int open_handles() const;
    // When set, the restriction of the library search failed so (an old Windows).
    std::optional<OsError> library_search_failure;

    // --- Platform --------------------------------------------------------------------
    std::expected<void, OsError> library_search() override;
    std::vector<PString> command_line() override;
    std::uint32_t current_process_id() override;
    std::expected<PString, OsError> module_path() override;
    std::expected<std::uint32_t, ParentLookupError> parent_process_id() override;
    std::expected<PString, ImageQueryError> process_image_path(std::uint32_t pid) override;
    void exit_process(int status) override;
    std::expected<PString, OsError> temp_dir() override;
    std::expected<void, OsError> set_current_dir(PStringView path) override;
    std::expected<PString, OsError> current_dir() override;
    std::int64_t now_unix_ticks() override;
    void sleep_ms(std::uint32_t milliseconds) override;
    void yield_processor() override;
    std::expected<void, OsError> create_dir_all(PStringView path) override;
    std::expected<std::string, OsError> read_file(PStringView path) override;
    std::expected<FileInfo, OsError> file_info(PStringView path, bool follow_links) override;
    std::expected<PString, OsError> final_path(PStringView path) override;
    std::expected<std::vector<std::expected<DirEntry, OsError>>, OsError> list_dir(PStringView path) override;
    std::expected<HandleId, OsError> open_no_follow(HandleId parent, PStringView name, OpenFor purpose) override;
    std::expected<FileInfo, OsError> handle_info(HandleId handle) override;
    std::expected<PString, OsError> handle_path(HandleId handle) override;
    std::expected<std::vector<DirEntry>, OsError> list_handle(HandleId handle) override;
    std::expected<void, OsError> set_disposition(HandleId handle, Disposition how) override;
    std::expected<void, OsError> clear_readonly(HandleId handle) override;
    void close(HandleId handle) override;
    std::expected<HandleId, OsError> open_for_writing(HandleId dir, PStringView name) override;
    std::expected<std::uint32_t, OsError> handle_links(HandleId handle) override;
    std::expected<void, OsError> truncate(HandleId handle) override;
    std::expected<void, OsError> append(HandleId handle, std::string_view bytes) override;
    std::expected<PString, ShortcutError> read_shortcut_target(PStringView path) override;
    std::string system_message(std::uint32_t code) override;
    std::string status_message(std::uint32_t status) override;

    // --- names and letter case -----------------------------------------------------------
    // Case-sensitive mode: names that differ only in letter case are different entries, as
    // Wine has them on Linux (and Windows in a folder marked case-sensitive). A test builds
    // them side by side with add_dir and add_file, which then take every name exactly; an
    // open finds the name spelled exactly so, or else the first entry whose name differs
    // only in case, as Wine does.
    bool case_sensitive = false;
    // Gives the entry an 8.3 alias, by which it opens as by its name.
    void set_short_name(PStringView path, PStringView short_name);
    std::expected<PString, OsError> entry_name(PStringView path) override;

    struct Node;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tu::fake
