// Removal primitives.
//
// A deletion defends against three threats before it cares about speed:
//  - a link or junction must never lead the deletion somewhere else. Every entry of a tree
//    is opened relative to its parent's open handle without following a reparse point, and
//    only what the listing reports as a plain directory is descended into; anything else is
//    deleted itself. Not every file system honours "do not follow" (Wine follows links made
//    on the Linux side whatever it is asked, and so may a redirector or a filter driver), so
//    no handle is trusted for it: before anything is deleted through a handle, its final
//    name must be the place that was approved for it (the root, the file, the folder) or,
//    inside a tree, its parent's place and the name from the listing. A folder on the way
//    swapped for a junction after the checks is caught the same way.
//  - another program may hold an entry open for a moment (a virus scanner, an indexer, the
//    application that is just closing). A sharing violation, and a directory whose children
//    are still pending deletion, are tried again a few times inside the call; anything
//    longer is left to the 500 ms pauses of the retrying caller. A deletion that the file
//    system accepted but that left the entry in its folder (held open with delete sharing)
//    is not a success: only a path that is gone by its name is reported removed.
//  - a name can be a lie about the object: every deletion goes through a handle, none by
//    name, so what was checked is what goes.
//
// Speed matters because an application folder holds thousands of files and every platform
// call is a round trip to the file-system server (under Wine, to wineserver). Per entry the
// walk spends one open, one final-name query, one disposition and one close; a directory
// adds its listing. The listing already reports the attributes, so no entry is queried
// again, and a file system that refuses the extended disposition is asked once per call,
// not per entry.

#include "removal/remove.h"

#include <optional>
#include <utility>
#include <vector>

#include "platform/error_text.h"
#include "platform/text.h"

namespace tu {
namespace {

// Tries inside one tree removal for an entry in use or a directory with pending children.
constexpr int in_call_tries = 50;

// A file system without the extended disposition (FAT32, network shares, Wine) answers with
// one of these; the classic disposition works there.
bool extended_refused(std::uint32_t code) {
    return code == win32_error::invalid_function || code == win32_error::not_supported ||
           code == win32_error::invalid_parameter;
}

std::unexpected<AttemptError> os_failure(const OsError& error) { return std::unexpected(AttemptError{error, {}}); }
std::unexpected<AttemptError> refused(std::string why) {
    return std::unexpected(AttemptError{std::nullopt, std::move(why)});
}

// Runs `step` until it succeeds, fails with a code that `transient` does not accept, or has
// been tried in_call_tries times; yields the processor between tries.
template <class Step, class Transient>
auto try_briefly(Platform& os, Step step, Transient transient) -> decltype(step()) {
    auto result = step();
    for (int tried = 1; tried < in_call_tries && !result && transient(result.error().code); ++tried) {
        os.yield_processor();
        result = step();
    }
    return result;
}

bool in_use(std::uint32_t code) { return code == win32_error::sharing_violation; }

// Nothing is deleted through a handle that does not lead to the approved place, letter for
// letter: the file system followed a link it was asked not to follow, or something on the
// way was swapped, for a link or for a folder whose name differs only in letter case. A
// place that merely begins like the approved one (app.exe.keep for app.exe, App2 for App)
// is another place.
Attempt verify(Platform& os, HandleId handle, std::string_view location, PStringView shown) {
    const auto where = os.handle_path(handle);
    if (!where) return os_failure(where.error());
    if (final_text(*where) == location) return {};
    return refused("refused to delete " + to_utf8(shown) + ": it leads to " + readable_name(*where));
}

// Deletes the object behind an open handle. `readonly` is what the listing (or, for a path,
// the handle query) reported; the classic disposition refuses a read-only object, the
// extended one ignores the attribute.
class HandleDeleter {
public:
    // A tree removal waits briefly for a directory whose children are still going; an empty
    // directory's removal takes "not empty" for the answer it is.
    HandleDeleter(Platform& os, bool wait_for_children) : os_(os), wait_for_children_(wait_for_children) {}

    std::expected<void, OsError> remove(HandleId handle, bool readonly, bool directory) {
        const auto transient = [this, directory](std::uint32_t code) {
            return in_use(code) || (directory && wait_for_children_ && code == win32_error::dir_not_empty);
        };
        if (extended_ok_) {
            auto extended = try_briefly(os_, [&] { return os_.set_disposition(handle, Disposition::extended); },
                                        transient);
            if (extended || !extended_refused(extended.error().code)) return extended;
            // Remembered for the rest of the call: every later entry goes straight to the
            // classic way instead of paying a failing round trip first.
            extended_ok_ = false;
        }
        if (readonly) {
            if (auto cleared = os_.clear_readonly(handle); !cleared) return cleared;
        }
        return try_briefly(os_, [&] { return os_.set_disposition(handle, Disposition::classic); }, transient);
    }

private:
    Platform& os_;
    bool wait_for_children_;
    bool extended_ok_ = true;
};

// A plain directory is walked into; a link, a junction or any other reparse point is an
// entry of its own and is deleted as such, whatever it points to.
bool descend_into(const FileInfo& info) { return info.directory && !info.reparse_point; }

// Opens an approved path for its deletion, proves where the handle leads, and reports what
// the object is.
std::expected<std::pair<OwnedHandle, FileInfo>, AttemptError> open_approved(Platform& os, const ApprovedPath& target,
                                                                            OpenFor purpose) {
    auto opened = try_briefly(os, [&] { return os.open_no_follow(HandleId{}, target.path, purpose); }, in_use);
    if (!opened) return os_failure(opened.error());
    OwnedHandle handle(os, *opened);
    if (auto proven = verify(os, handle.get(), target.location.name, target.shown); !proven)
        return std::unexpected(std::move(proven.error()));
    const auto info = os.handle_info(handle.get());
    if (!info) return os_failure(info.error());
    return std::pair{std::move(handle), *info};
}

// The place and the name of the entry the walk is at: both grow by one component per level
// and shrink again, so that a deep tree costs its depth in memory, not its depth squared.
struct WalkNames {
    std::string location;  // as approved places are: the file system's names, exactly
    PString shown;

    struct Mark {
        std::size_t location = 0, shown = 0;
    };
    Mark enter(PStringView name) {
        const Mark mark{location.size(), shown.size()};
        location += '\\';
        location += to_utf8(name);  // the listing's own spelling
        shown += u'\\';
        shown += name;
        return mark;
    }
    void leave(const Mark& mark) {
        location.resize(mark.location);
        shown.resize(mark.shown);
    }
};

// One directory on the walk: its open handle, its listing, how far the walk has got and
// where its names end.
struct Frame {
    OwnedHandle handle;
    bool readonly = false;
    std::vector<DirEntry> entries;
    std::size_t next = 0;
    WalkNames::Mark above;  // the names of its parent
};

std::string os_error_value(const AttemptError& error) {
    if (!error.os) return "None";
    return "Some(" + std::to_string(static_cast<std::int32_t>(error.os->code)) + ")";
}

std::string error_text(Platform& os, const AttemptError& error) {
    return error.os ? os_error_text(os, *error.os) : error.refusal;
}

bool failed_not_found(const AttemptError& error) { return error.os && is_not_found(error.os->code); }

// Whether the entry is gone by its name: its folder holds no entry of the name it was
// approved under. Another entry that the path now finds (one whose name differs only in
// letter case) is not it. An entry that cannot be looked for counts as there: nothing is
// reported removed that is not shown to be.
bool gone(Platform& os, const ApprovedPath& target) {
    const auto found = os.entry_name(target.path);
    if (!found) return is_not_found(found.error().code);
    const std::string& location = target.location.name;
    return to_utf8(*found) != std::string_view(location).substr(location.rfind('\\') + 1);
}

// Present for the presence test: its metadata can be read, following links. An entry that
// its folder's listing showed is absent only when it is not found: a name that Win32 paths
// cannot address (a line break in it) is still there, and taking it for missing would
// report success while it stays.
bool is_there(Platform& os, const ApprovedPath& target) {
    const auto info = os.file_info(target.path, true);
    return info || (target.listed && !is_not_found(info.error().code));
}

const char* const still_there = "still there after its deletion (another program holds it, or something in it, open)";

// The wording of one retrying operation.
struct RetryWords {
    const char* skip;     // absent before the first attempt, or reported not found
    const char* removed;  // removed
    const char* retry;    // "retry dir delete "
    const char* gone;     // absent after a pause
    const char* failed;   // "failed to remove dir "
};

constexpr RetryWords tree_words{"skip missing dir: ", "removed dir: ", "retry dir delete ", "dir already gone: ",
                                "failed to remove dir "};
constexpr RetryWords file_words{"skip missing file: ", "removed file: ", "retry file delete ",
                                "file already gone: ", "failed to remove file "};

template <class Once>
Result<> remove_with_retries(Platform& os, const ApprovedPath& target, const LineSink& log, Flavour flavour,
                             const RetryWords& words, Once once) {
    const std::string shown = to_utf8(target.shown);
    const bool logged = flavour == Flavour::logged;
    if (!is_there(os, target)) {
        log.line(words.skip + shown);
        return {};
    }
    for (int attempt = 1;; ++attempt) {
        auto result = once(os, target);
        if (result && !gone(os, target)) result = refused(still_there);
        if (result) {
            log.line(words.removed + shown);
            return {};
        }
        const AttemptError& error = result.error();
        if (failed_not_found(error)) {
            if (logged) log.line(words.skip + shown);
            return {};
        }
        const std::string value = os_error_value(error);
        const std::string text = error_text(os, error);
        if (attempt == removal_attempts) {
            return fail(words.failed + shown + " after " + std::to_string(removal_attempts) +
                        " attempts (os_error=" + value + "): " + text);
        }
        log.line(words.retry + std::to_string(attempt) + "/" + std::to_string(removal_attempts) + ": " + shown +
                 " (os_error=" + value + ", " + text + ")");
        os.sleep_ms(retry_pause_ms);
        // Absent for the presence test, and no entry of that name left either: an entry
        // that only waits for its holder to let go is still there.
        if (!is_there(os, target) && gone(os, target)) {
            if (logged) log.line(words.gone + shown);
            return {};
        }
    }
}

// An empty directory's removal, once: the platform's "not found" and "not empty" come back
// as they are.
Attempt remove_empty_dir_once(Platform& os, const ApprovedPath& dir) {
    auto opened = open_approved(os, dir, OpenFor::list_and_delete);
    if (!opened) return std::unexpected(std::move(opened.error()));
    const auto& [handle, info] = *opened;
    if (!info.directory) return os_failure(OsError{win32_error::directory_expected, "RemoveDirectoryW"});
    HandleDeleter deleter(os, false);
    if (auto removed = deleter.remove(handle.get(), info.readonly, true); !removed) return os_failure(removed.error());
    return {};
}

// The path approved as it stands now, then removed.
template <class Removal>
Result<> approved_then(Platform& os, PStringView path, Removal removal) {
    const auto approved = approve(os, path);
    if (!approved) return fail(approved.error());
    return removal(*approved);
}

}  // namespace

bool is_not_found(std::uint32_t code) {
    return code == win32_error::file_not_found || code == win32_error::path_not_found ||
           code == win32_error::invalid_drive || code == win32_error::bad_netpath ||
           code == win32_error::bad_net_name;
}

bool is_present(Platform& os, PStringView path) { return os.file_info(path, true).has_value(); }

Attempt remove_tree_once(Platform& os, const ApprovedPath& tree) {
    auto root = open_approved(os, tree, OpenFor::list_and_delete);
    if (!root) return std::unexpected(std::move(root.error()));
    auto& [root_handle, root_info] = *root;
    // The root is the one object whose kind the walk has not been told by a listing. A
    // link or junction named as the tree is refused like a file: deleting "the tree" must
    // never mean deleting what it points to, nor silently deleting only the link.
    if (!descend_into(root_info))
        return os_failure(OsError{win32_error::directory_expected, "GetFileInformationByHandleEx"});

    HandleDeleter deleter(os, true);
    WalkNames names{tree.location.name, tree.shown};
    std::vector<Frame> stack;
    {
        auto entries = os.list_handle(root_handle.get());
        if (!entries) return os_failure(entries.error());
        stack.push_back(Frame{std::move(root_handle), root_info.readonly, std::move(*entries), 0, {}});
    }

    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.entries.size()) {
            // Everything below is deleted (or pending deletion): the directory itself.
            if (auto removed = deleter.remove(top.handle.get(), top.readonly, true); !removed)
                return os_failure(removed.error());
            names.leave(top.above);
            stack.pop_back();
            continue;
        }
        const DirEntry& entry = top.entries[top.next++];
        const bool directory = descend_into(entry.info);
        auto opened = try_briefly(
            os,
            [&] {
                return os.open_no_follow(top.handle.get(), entry.name,
                                         directory ? OpenFor::list_and_delete : OpenFor::delete_only);
            },
            in_use);
        if (!opened) {
            // Gone since the listing, deleted by someone else: that is what this walk wants.
            // Passing the not-found on would make the caller take the whole tree for gone.
            if (is_not_found(opened.error().code)) continue;
            return os_failure(opened.error());
        }
        OwnedHandle handle(os, *opened);
        const WalkNames::Mark above = names.enter(entry.name);
        if (auto proven = verify(os, handle.get(), names.location, names.shown); !proven) return proven;
        if (directory) {
            Frame frame{std::move(handle), entry.info.readonly, {}, 0, above};
            auto entries = os.list_handle(frame.handle.get());
            if (!entries) return os_failure(entries.error());
            frame.entries = std::move(*entries);
            stack.push_back(std::move(frame));  // `top` dangles now
            continue;
        }
        if (auto removed = deleter.remove(handle.get(), entry.info.readonly, false); !removed)
            return os_failure(removed.error());
        names.leave(above);
    }
    return {};
}

Attempt remove_file_once(Platform& os, const ApprovedPath& file) {
    auto opened = open_approved(os, file, OpenFor::delete_only);
    if (!opened) return std::unexpected(std::move(opened.error()));
    const auto& [handle, info] = *opened;
    // A directory is not a file: DeleteFileW refuses one with "access denied", and an empty
    // directory must not vanish through a file removal.
    if (info.directory) return os_failure(OsError{win32_error::access_denied, "DeleteFileW"});
    HandleDeleter deleter(os, false);
    if (auto removed = deleter.remove(handle.get(), info.readonly, false); !removed) return os_failure(removed.error());
    return {};
}

Result<> remove_tree(Platform& os, const ApprovedPath& tree, const LineSink& log, Flavour flavour) {
    return remove_with_retries(os, tree, log, flavour, tree_words, remove_tree_once);
}

Result<> remove_file(Platform& os, const ApprovedPath& file, const LineSink& log, Flavour flavour) {
    return remove_with_retries(os, file, log, flavour, file_words, remove_file_once);
}

Result<> remove_empty_dir(Platform& os, const ApprovedPath& dir, const LineSink& log, Flavour flavour,
                          bool presence_test) {
    const std::string shown = to_utf8(dir.shown);
    const bool logged = flavour == Flavour::logged;
    if ((logged || presence_test) && !is_present(os, dir.path)) {
        if (logged) log.line("skip missing empty dir: " + shown);
        return {};
    }
    const auto removed = remove_empty_dir_once(os, dir);
    if (removed) {
        // Accepted, yet still in its folder: it holds something that another program keeps
        // open, so it was not empty after all, and it stays without a word.
        if (gone(os, dir)) log.line("removed empty dir: " + shown);
        return {};
    }
    const AttemptError& error = removed.error();
    if (failed_not_found(error)) {
        if (logged) log.line("skip missing empty dir: " + shown);
        return {};
    }
    if (error.os && error.os->code == win32_error::dir_not_empty) return {};
    return fail("failed to remove empty dir " + shown + ": " + error_text(os, error));
}

Result<> remove_tree(Platform& os, PStringView path, const LineSink& log, Flavour flavour) {
    return approved_then(os, path, [&](const ApprovedPath& tree) { return remove_tree(os, tree, log, flavour); });
}

Result<> remove_file(Platform& os, PStringView path, const LineSink& log, Flavour flavour) {
    return approved_then(os, path, [&](const ApprovedPath& file) { return remove_file(os, file, log, flavour); });
}

Result<> remove_empty_dir(Platform& os, PStringView path, const LineSink& log, Flavour flavour, bool presence_test) {
    return approved_then(
        os, path, [&](const ApprovedPath& dir) { return remove_empty_dir(os, dir, log, flavour, presence_test); });
}

}  // namespace tu
