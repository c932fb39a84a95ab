// Shortcut discovery and removal. A shortcut is deleted only when its target can be read
// and names the very file the profile expects; anything missing, unreadable or foreign is
// left in place and logged, never treated as a failure of the run.

#include "removal/shortcuts.h"

#include <optional>

#include "platform/error_text.h"
#include "platform/text.h"
#include "platform/winpath.h"
#include "safety/paths.h"

namespace tu {
namespace {

// The message of a failed step, in the set that the calling operation uses.
std::string_view step_message(ShortcutStep step, MessageSet messages) {
    const bool a = messages == MessageSet::A;
    switch (step) {
    case ShortcutStep::initialize: return "failed to initialize COM: ";
    case ShortcutStep::create: return a ? "failed to create shell link: " : "failed to create IShellLinkW: ";
    case ShortcutStep::cast: return a ? "failed to cast shell link: " : "failed to cast shortcut COM object: ";
    case ShortcutStep::load: return "failed to load shortcut: ";
    case ShortcutStep::get_path: return "failed to read shortcut target: ";
    }
    return "failed to read shortcut target: ";
}

// The exact, case-sensitive `lnk` extension of the two single-shortcut operations.
bool has_exact_lnk_extension(PStringView path) {
    const auto extension = winpath::extension(path);
    return extension && *extension == u"lnk";
}

// Which variant of the single-shortcut removal runs: the named one of the data-entry
// profiles or the candidate one of the precinct profiles.
struct SingleShortcut {
    MessageSet messages;
    bool log_non_lnk;
    Flavour flavour;
};
constexpr SingleShortcut named{MessageSet::A, false, Flavour::logged};
constexpr SingleShortcut candidate(Flavour flavour) { return {MessageSet::B, true, flavour}; }

// Whether the shortcut is not there, which the log then says.
bool skipped_as_missing(Platform& os, PStringView path, PStringView shown, const LineSink& log) {
    if (is_present(os, path)) return false;
    log.line("skip missing shortcut: " + to_utf8(shown));
    return true;
}

// The shortcut is approved before its target is read: what is deleted is the file whose
// target was found to match, in the folder it was found in.
Result<> remove_single_shortcut(Platform& os, const ApprovedPath& shortcut, PStringView expected_target,
                                const LineSink& log, const SingleShortcut& how) {
    if (skipped_as_missing(os, shortcut.path, shortcut.shown, log)) return {};
    const std::string shown = to_utf8(shortcut.shown);
    if (!has_exact_lnk_extension(shortcut.shown)) {
        if (how.log_non_lnk) log.line("skip non-lnk shortcut candidate: " + shown);
        return {};
    }
    const auto target = read_shortcut_target(os, shortcut.shown, how.messages);
    if (!target) {
        log.line("skip unreadable shortcut " + shown + ": " + target.error());
        return {};
    }
    const auto same = same_path(os, to_utf16(*target), expected_target);
    if (!same) return fail(same.error());
    if (!*same) {
        log.line("skip shortcut with different target: " + shown + " -> " + *target);
        return {};
    }
    return remove_file(os, shortcut, log, how.flavour);
}

Result<> remove_single_shortcut(Platform& os, PStringView shortcut, PStringView expected_target, const LineSink& log,
                                const SingleShortcut& how) {
    // A missing shortcut (most of them, when a run goes through thousands of precincts) is
    // skipped before anything is resolved for it.
    if (skipped_as_missing(os, shortcut, shortcut, log)) return {};
    const auto approved = approve(os, shortcut);
    if (!approved) return fail(approved.error());
    return remove_single_shortcut(os, *approved, expected_target, log, how);
}

}  // namespace

Result<std::string> read_shortcut_target(Platform& os, PStringView shortcut, MessageSet messages) {
    const auto read = os.read_shortcut_target(shortcut);
    if (!read) {
        const ShortcutError& error = read.error();
        return fail(std::string(step_message(error.step, messages)) +
                    status_text(os, error.status, error.description));
    }
    PStringView target = *read;
    target = target.substr(0, target.find(u'\0'));
    // A link to a virtual folder (Control Panel, a shell namespace item) has no file-system
    // target: the shell reports success with an empty path.
    if (target.empty()) return fail("shortcut target is empty");
    return to_utf8(target);
}

Result<> remove_named_shortcut(Platform& os, PStringView shortcut, PStringView expected_target, const LineSink& log) {
    return remove_single_shortcut(os, shortcut, expected_target, log, named);
}

Result<> remove_shortcut_candidate(Platform& os, PStringView shortcut, PStringView expected_target,
                                   const LineSink& log, Flavour flavour) {
    return remove_single_shortcut(os, shortcut, expected_target, log, candidate(flavour));
}

Result<> scan_prefixed_shortcuts(Platform& os, PStringView dir, std::string_view prefix, PStringView expected_target,
                                 const LineSink& log, Flavour flavour) {
    const std::string shown = to_utf8(dir);
    const bool logged = flavour == Flavour::logged;
    if (!is_present(os, dir)) {
        log.line("skip missing shortcut dir: " + shown);
        return {};
    }
    const auto listing = os.list_dir(dir);
    if (!listing) {
        if (!is_not_found(listing.error().code))
            return fail("failed to read shortcut dir " + shown + ": " + os_error_text(os, listing.error()));
        if (logged) log.line("skip missing shortcut dir: " + shown);
        return {};
    }
    const std::string lead = std::string(prefix) + " ";
    for (const auto& entry : *listing) {
        if (!entry) {
            if (!is_not_found(entry.error().code))
                return fail("failed to read shortcut entry: " + os_error_text(os, entry.error()));
            if (logged) log.line("skip vanished shortcut entry");
            continue;
        }
        const auto name = to_utf8_strict(entry->name);
        if (!name) continue;
        // The name is folded for the ending only: a "Name X.LNK" file is a candidate here and
        // is then turned down, logged, by the candidate's own exact extension rule.
        if (!name->starts_with(lead) || !ascii_iends_with(*name, ".lnk")) continue;
        const auto shortcut = approve_entry(os, dir, entry->name);
        if (!shortcut) return fail(shortcut.error());
        if (auto removed = remove_single_shortcut(os, *shortcut, expected_target, log, candidate(flavour));
            !removed)
            return removed;
    }
    return {};
}

Result<> scan_shortcut_dir(Platform& os, PStringView dir, PStringView expected_target, const LineSink& log) {
    const auto listing = os.list_dir(dir);
    if (!listing) {
        if (is_not_found(listing.error().code)) return {};
        return fail("failed to read shortcut directory " + to_utf8(dir) + ": " + os_error_text(os, listing.error()));
    }
    for (const auto& entry : *listing) {
        if (!entry) {
            if (is_not_found(entry.error().code)) continue;
            return fail("failed to read shortcut entry: " + os_error_text(os, entry.error()));
        }
        if (!entry->info.regular_file()) continue;
        const auto extension = winpath::extension(entry->name);
        if (!extension) continue;
        const auto extension_text = to_utf8_strict(*extension);
        if (!extension_text || !ascii_iequals(*extension_text, "lnk")) continue;

        const auto shortcut = approve_entry(os, dir, entry->name);
        if (!shortcut) return fail(shortcut.error());
        const auto target = read_shortcut_target(os, shortcut->shown, MessageSet::B);
        if (!target) {
            log.line("skip unreadable shortcut " + to_utf8(shortcut->shown) + ": " + target.error());
            continue;
        }
        const auto same = same_path(os, to_utf16(*target), expected_target);
        if (!same) return fail(same.error());
        if (!*same) continue;
        if (auto removed = remove_file(os, *shortcut, log, Flavour::logged); !removed) return removed;
    }
    return {};
}

}  // namespace tu
