// Removal primitives.
//
// A tree removal defends against two threats before it cares about speed:
//  - a link or junction inside the tree must never lead the deletion out of it. Every entry
//    is opened relative to its parent's open handle without following a reparse point, and
//    only what the listing reports as a plain directory is descended into; anything else is
//    deleted itself. An entry swapped for a link after the listing is still opened as the
//    link, so the walk never passes through one.
//  - another program may hold an entry open for a moment (a virus scanner, an indexer, the
//    application that is just closing). A sharing violation, and a directory whose children
//    are still pending deletion, are tried again a few times inside the call; anything
//    longer is left to the 500 ms pauses of the retrying caller.
//
// Speed matters because an application folder holds thousands of files and every platform
// call is a round trip to the file-system server (under Wine, to wineserver). Per entry the
// walk spends exactly one open, one disposition and one close; a directory adds its
// listing. The listing already reports the attributes, so no entry is queried again, and a
// file system that refuses the extended disposition is asked once per call, not per entry.

#include "removal/remove.h"

#include <optional>
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

// Deletes the object behind an open handle. `readonly` is what the listing (or, for the
// root, the handle query) reported; the classic disposition refuses a read-only object,
// the extended one ignores the attribute.
class HandleDeleter {
public:
    explicit HandleDeleter(Platform& os) : os_(os) {}

    std::expected<void, OsError> remove(HandleId handle, bool readonly, bool directory) {
        const auto transient = [directory](std::uint32_t code) {
            return in_use(code) || (directory && code == win32_error::dir_not_empty);
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
    bool extended_ok_ = true;
};

// A plain directory is walked into; a link, a junction or any other reparse point is an
// entry of its own and is deleted as such, whatever it points to.
bool descend_into(const FileInfo& info) { return info.directory && !info.reparse_point; }

// One directory on the walk: its open handle, its listing and how far the walk has got.
struct Frame {
    OwnedHandle handle;
    bool readonly = false;
    std::vector<DirEntry> entries;
    std::size_t next = 0;
};

std::string os_error_value(std::optional<std::uint32_t> code) {
    if (!code) return "None";
    return "Some(" + std::to_string(static_cast<std::int32_t>(*code)) + ")";
}

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
Result<> remove_with_retries(Platform& os, PStringView path, const RunLog& log, Flavour flavour,
                             const RetryWords& words, Once once) {
    const std::string shown = to_utf8(path);
    const bool logged = flavour == Flavour::logged;
    if (!is_present(os, path)) {
        log.line(words.skip + shown);
        return {};
    }
    for (int attempt = 1;; ++attempt) {
        const auto result = once(os, path);
        if (result) {
            log.line(words.removed + shown);
            return {};
        }
        const OsError& error = result.error();
        if (is_not_found(error.code)) {
            if (logged) log.line(words.skip + shown);
            return {};
        }
        const std::string value = os_error_value(error.code);
        const std::string text = os_error_text(os, error);
        if (attempt == removal_attempts) {
            return fail(words.failed + shown + " after " + std::to_string(removal_attempts) +
                        " attempts (os_error=" + value + "): " + text);
        }
        log.line(words.retry + std::to_string(attempt) + "/" + std::to_string(removal_attempts) + ": " + shown +
                 " (os_error=" + value + ", " + text + ")");
        os.sleep_ms(retry_pause_ms);
        if (!is_present(os, path)) {
            if (logged) log.line(words.gone + shown);
            return {};
        }
    }
}

}  // namespace

bool is_not_found(std::uint32_t code) {
    return code == win32_error::file_not_found || code == win32_error::path_not_found ||
           code == win32_error::invalid_drive || code == win32_error::bad_netpath ||
           code == win32_error::bad_net_name;
}

bool is_present(Platform& os, PStringView path) { return os.file_info(path, true).has_value(); }

std::expected<void, OsError> remove_tree_once(Platform& os, PStringView path) {
    auto root_id = try_briefly(os, [&] { return os.open_no_follow(HandleId{}, path, OpenFor::list_and_delete); },
                               in_use);
    if (!root_id) return std::unexpected(root_id.error());
    OwnedHandle root(os, *root_id);

    // The root is the one object whose kind the walk has not been told by a listing. A
    // link or junction named as the tree is refused like a file: deleting "the tree" must
    // never mean deleting what it points to, nor silently deleting only the link.
    const auto root_info = os.handle_info(root.get());
    if (!root_info) return std::unexpected(root_info.error());
    if (!descend_into(*root_info))
        return std::unexpected(OsError{win32_error::directory_expected, "GetFileInformationByHandleEx"});

    HandleDeleter deleter(os);
    std::vector<Frame> stack;
    {
        auto entries = os.list_handle(root.get());
        if (!entries) return std::unexpected(entries.error());
        stack.push_back(Frame{std::move(root), root_info->readonly, std::move(*entries), 0});
    }

    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.entries.size()) {
            // Everything below is deleted (or pending deletion): the directory itself.
            if (auto removed = deleter.remove(top.handle.get(), top.readonly, true); !removed) return removed;
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
            return std::unexpected(opened.error());
        }
        OwnedHandle handle(os, *opened);
        if (directory) {
            auto entries = os.list_handle(handle.get());
            if (!entries) return std::unexpected(entries.error());
            const bool readonly = entry.info.readonly;
            stack.push_back(Frame{std::move(handle), readonly, std::move(*entries), 0});  // `top` dangles now
            continue;
        }
        if (auto removed = deleter.remove(handle.get(), entry.info.readonly, false); !removed) return removed;
    }
    return {};
}

std::expected<void, OsError> remove_file_once(Platform& os, PStringView path) {
    auto deleted = os.delete_file(path);
    if (deleted || deleted.error().code != win32_error::access_denied) return deleted;

    // Access denied by name is most often the read-only attribute, or a file whose earlier
    // deletion is still pending. The second way opens the file itself, without following a
    // link, and deletes it through the handle with a disposition that ignores the
    // attribute. Whatever goes wrong on the way, the caller hears the original denial.
    const auto original = std::unexpected(deleted.error());
    auto opened = os.open_no_follow(HandleId{}, path, OpenFor::delete_only);
    if (!opened) return original;
    OwnedHandle handle(os, *opened);
    // DeleteFileW refuses directories with the same code; the handle would not, and an empty
    // directory must not vanish through a file removal.
    const auto info = os.handle_info(handle.get());
    if (!info || info->directory) return original;

    auto extended = os.set_disposition(handle.get(), Disposition::extended);
    if (extended) return {};
    if (!extended_refused(extended.error().code)) return original;
    // Without the extended disposition a read-only file is deleted only after its attribute
    // is cleared, through the same handle so that no other file can be hit.
    if (info->readonly && !os.clear_readonly(handle.get())) return original;
    if (!os.set_disposition(handle.get(), Disposition::classic)) return original;
    return {};
}

Result<> remove_tree(Platform& os, PStringView path, const RunLog& log, Flavour flavour) {
    return remove_with_retries(os, path, log, flavour, tree_words, remove_tree_once);
}

Result<> remove_file(Platform& os, PStringView path, const RunLog& log, Flavour flavour) {
    return remove_with_retries(os, path, log, flavour, file_words, remove_file_once);
}

Result<> remove_empty_dir(Platform& os, PStringView path, const RunLog& log, Flavour flavour, bool presence_test) {
    const std::string shown = to_utf8(path);
    const bool logged = flavour == Flavour::logged;
    if ((logged || presence_test) && !is_present(os, path)) {
        if (logged) log.line("skip missing empty dir: " + shown);
        return {};
    }
    const auto removed = os.remove_directory(path);
    if (removed) {
        log.line("removed empty dir: " + shown);
        return {};
    }
    const OsError& error = removed.error();
    if (is_not_found(error.code)) {
        if (logged) log.line("skip missing empty dir: " + shown);
        return {};
    }
    if (error.code == win32_error::dir_not_empty) return {};
    return fail("failed to remove empty dir " + shown + ": " + os_error_text(os, error));
}

}  // namespace tu
