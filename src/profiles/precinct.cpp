// The removal that the two precinct applications share. Full mode removes the whole
// application; selected mode removes, one precinct at a time and in command-line order, only
// the data folder, the export files and the two shortcuts of each precinct named, and leaves
// the application installed.
//
// A precinct is checked only when its turn comes: the precincts before an invalid one have
// been removed by then, exactly as the uninstaller asked, and a repeated run finds them gone
// and only logs skips.
#include "platform/error_text.h"
#include "platform/text.h"
#include "platform/winpath.h"
#include "profiles/profiles.h"
#include "removal/remove.h"
#include "removal/shortcuts.h"
#include "safety/authorize.h"
#include "safety/layout.h"
#include "safety/paths.h"

namespace tu {
namespace {

bool all_ascii_digits(std::string_view text) {
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// One run of a precinct profile after its checks have passed.
class PrecinctRemoval {
public:
    PrecinctRemoval(Platform& os, const LineSink& log, const PrecinctApp& app, const RunRequest& request,
                    ApprovedPath app_dir, PString main_exe, std::string item_shortcut_prefix,
                    std::optional<StartMenuFolder> start_menu_folder)
        : os_(os),
          log_(log),
          app_(app),
          request_(request),
          approved_app_(std::move(app_dir)),
          app_dir_(approved_app_.path),
          data_dir_(winpath::join(app_dir_, u"Data")),
          export_dir_(winpath::join(app_dir_, u"Export")),
          main_exe_(std::move(main_exe)),
          item_shortcut_prefix_(std::move(item_shortcut_prefix)),
          start_menu_folder_(std::move(start_menu_folder)) {}

    // Shortcuts first, while the main executable still exists for the target comparison;
    // then the application with its marker, data and exports; then the start-menu folder,
    // which goes only when nothing else is left in it.
    Result<> remove_application() {
        if (request_.start_menu) {
            if (auto ok = remove_prefixed_shortcuts(*request_.start_menu); !ok) return ok;
        }
        if (request_.desktop) {
            if (auto ok = remove_prefixed_shortcuts(*request_.desktop); !ok) return ok;
        }
        if (auto ok = remove_tree(os_, approved_app_, log_, app_.flavour); !ok) return ok;
        return remove_start_menu_if_empty(os_, start_menu_folder_, log_, app_.flavour, true);
    }

    Result<> remove_selected_precincts() {
        if (request_.okrsky.empty()) return fail(std::string(app_.empty_list_message));
        for (const std::string& item : request_.okrsky) {
            if (auto ok = app_.check_item(item); !ok) return ok;
            if (auto ok = remove_precinct(item); !ok) return ok;
        }
        return {};
    }

private:
    Result<> remove_precinct(const std::string& item) {
        const PString item_dir = winpath::join(data_dir_, to_utf16(item));
        const auto approved_item = ensure_within(os_, app_dir_, item_dir);
        if (!approved_item) return fail(approved_item.error());
        if (auto ok = remove_tree(os_, *approved_item, log_, app_.flavour); !ok) return ok;

        if (auto ok = remove_export_files(item); !ok) return ok;

        const PString name = to_utf16(item_shortcut_prefix_ + " " + item + ".lnk");
        if (request_.desktop) {
            if (auto ok = remove_item_shortcut(*request_.desktop, name); !ok) return ok;
        }
        if (request_.start_menu) {
            if (auto ok = remove_item_shortcut(*request_.start_menu, name); !ok) return ok;
        }
        return {};
    }

    Result<> remove_prefixed_shortcuts(const PString& dir) {
        return scan_prefixed_shortcuts(os_, dir, app_.shortcut_prefix, main_exe_, log_, app_.flavour);
    }

    Result<> remove_item_shortcut(const PString& dir, const PString& name) {
        return remove_shortcut_candidate(os_, winpath::join(dir, name), main_exe_, log_, app_.flavour);
    }

    // Only regular files directly in "Export" that belong to the precinct go; every other
    // entry stays without a line.
    Result<> remove_export_files(const std::string& item) {
        if (export_state_ == ExportState::unread) {
            if (auto ok = list_export(); !ok) return ok;
        }
        if (export_state_ != ExportState::listed) {
            if (export_state_ == ExportState::absent || logged())
                log_.line("skip missing export dir: " + to_utf8(export_dir_));
            return {};
        }
        const PString ending = to_utf16(item);
        for (auto& entry : export_entries_) {
            if (!entry) {
                if (auto ok = skip_vanished_entry(entry.error()); !ok) return ok;
                continue;
            }
            // The name decides first, so that an unrelated entry can never stop the run. Every
            // export file of a precinct ends with its item: the other names are passed over
            // before they are read as text (a run may hold thousands of each).
            if (!entry->name.ends_with(ending)) continue;
            const auto name = to_utf8_strict(entry->name);
            if (!name || !app_.export_file_belongs(*name, item)) continue;

            // Opened below the folder's final name, so that CON.12345 is the file it is.
            const auto file = approve_entry(os_, export_dir_, entry->name);
            if (!file) return fail(file.error());
            FileInfo info = entry->info;
            if (app_.export_entries_follow_links) {
                const auto followed = os_.file_info(file->path, true);
                if (followed) {
                    info = *followed;
                } else if (is_not_found(followed.error().code)) {
                    if (auto ok = skip_vanished_entry(followed.error()); !ok) return ok;
                    continue;
                }
                // Listed, but not to be looked into by its path (a name that Win32 paths cannot
                // address): not missing. Its removal fails and names it.
            }
            if (!info.regular_file()) continue;

            const auto inside = ensure_within(os_, app_dir_, *file);
            if (!inside) return fail(inside.error());
            if (auto ok = remove_file(os_, *file, log_, app_.flavour); !ok) return ok;
            entry->name.clear();  // struck from the listing
        }
        return {};
    }

    // "Export" is looked at once for the whole run, when the first precinct needs it: every
    // precinct takes its files from that one listing, so that a run over thousands of
    // precincts does not list thousands of files as often. What the run removed is struck
    // from it, and a precinct named twice finds its files gone.
    Result<> list_export() {
        export_state_ = ExportState::absent;
        if (!is_present(os_, export_dir_)) return {};
        if (auto inside = ensure_within(os_, app_dir_, export_dir_); !inside) return fail(inside.error());
        auto entries = os_.list_dir(export_dir_);
        if (!entries) {
            if (!is_not_found(entries.error().code))
                return fail("failed to read export dir " + to_utf8(export_dir_) + ": " + os_error_text(os_, entries.error()));
            export_state_ = ExportState::vanished;
            return {};
        }
        export_state_ = ExportState::listed;
        export_entries_ = std::move(*entries);
        return {};
    }

    // An entry that vanished while "Export" was listed is skipped; any other error stops.
    Result<> skip_vanished_entry(const OsError& error) {
        if (!is_not_found(error.code)) return fail("failed to read export entry: " + os_error_text(os_, error));
        if (logged()) log_.line("skip vanished export entry");
        return {};
    }

    bool logged() const { return app_.flavour == Flavour::logged; }

    Platform& os_;
    const LineSink& log_;
    const PrecinctApp& app_;
    const RunRequest& request_;
    const ApprovedPath approved_app_;
    const PString& app_dir_;
    const PString data_dir_;
    const PString export_dir_;
    const PString main_exe_;
    const std::string item_shortcut_prefix_;
    const std::optional<StartMenuFolder> start_menu_folder_;
    enum class ExportState { unread, absent, vanished, listed };
    ExportState export_state_ = ExportState::unread;
    std::vector<std::expected<DirEntry, OsError>> export_entries_;  // a removed file's name is cleared
};

}  // namespace

Result<> run_precinct(Platform& os, const std::vector<PString>& args, const LineSink& log, const PrecinctApp& app) {
    const auto opened = open_run(os, args, app.column, app.check_fixed_values, log);
    if (!opened) return fail(opened.error());
    const RunRequest& request = opened->request;

    const auto located = locate_installation(os, request);
    if (!located) return fail(located.error());
    const auto& [install_dir, app_dir, main_exe, uninstaller_path] = *located;
    if (app.log_app_kind) log.line("app_kind=okrsek");
    log.line("install_dir=" + to_utf8(install_dir));
    log.line("app_dir=" + to_utf8(app_dir));

    if (auto ok = authorize_caller(os, app.authorization, install_dir, app_dir, claim_of(request), log); !ok) return ok;
    const LayoutCheck layout = layout_check(*located, request, Generation::strict, app.marker_name, app.helper_rule);
    auto approved_app = validate_layout(os, layout, log);
    if (!approved_app) return fail(approved_app.error());
    auto start_menu_folder = approve_start_menu(os, request.start_menu, install_dir);
    if (!start_menu_folder) return fail(start_menu_folder.error());

    // Nothing has been touched up to here.
    PrecinctRemoval removal(os, log, app, request, std::move(*approved_app), main_exe, opened->found,
                            std::move(*start_menu_folder));
    if (request.mode == Mode::Full) return removal.remove_application();
    return removal.remove_selected_precincts();
}

Result<> check_okrsek(std::string_view item) {
    if (item.size() != 5 || !all_ascii_digits(item)) return fail("invalid okrsek: " + std::string(item));
    return {};
}

Result<> check_obvod_item(std::string_view item) {
    const std::string shown(item);
    // The item becomes a folder name below "Data": it must stay one plain name.
    if (item.empty() || item == "." || item == ".." || item.find_first_of("\\/:") != std::string_view::npos)
        return fail("invalid item: " + shown);
    const std::size_t point = item.find('.');
    if (point == std::string_view::npos) return fail("invalid UH obvod folder: " + shown);
    const std::string_view okrsek = item.substr(0, point);
    if (okrsek.size() != 5 || !all_ascii_digits(okrsek)) return fail("invalid UH okrsek in folder: " + shown);
    const std::string_view obvod = item.substr(point + 1);
    if (obvod.empty() || obvod.size() > 3 || !all_ascii_digits(obvod)) return fail("invalid UH obvod in folder: " + shown);
    return {};
}

bool okrsek_export_file(std::string_view file_name, std::string_view item) {
    const std::size_t point = file_name.rfind('.');
    // A name whose only point is its first character has no extension.
    if (point == std::string_view::npos || point == 0) return false;
    return file_name.substr(point + 1) == item;
}

bool obvod_export_file(std::string_view file_name, std::string_view item) {
    // The item itself holds a point, so it cannot be an extension: the name must end in a
    // point and the whole item, with something before that point. A longer precinct or
    // district number ending the same way (x.012345.7, x.12345.70) does not match.
    if (file_name.size() < item.size() + 2) return false;
    const std::size_t point = file_name.size() - item.size() - 1;
    return file_name[point] == '.' && file_name.substr(point + 1) == item;
}

}  // namespace tu
