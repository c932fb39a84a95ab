#include "app/entry.h"

#include <array>
#include <optional>

#include "app/run_log.h"
#include "platform/error_text.h"
#include "platform/text.h"
#include "platform/winpath.h"

namespace tu {
namespace {

enum class Kind { precinct, data_entry, processing };

struct FolderRow {
    std::string_view folder;  // as the installers write it; matched ignoring ASCII case
    Kind kind;
    ProfileRun Profiles::*profile;  // data-entry and precinct kinds
    std::string_view log_prefix;    // precinct kind
    std::string_view executable;    // processing kind
};

// One row per application folder. The processing profile receives the folder spelled as it
// is here, whatever case the command line used.
constexpr std::array<FolderRow, 9> dispatch_table{{
    {"LCKaptaO", Kind::precinct, &Profiles::municipal_precinct, municipal_log_prefix, {}},
    {"UHKaptaO.K1", Kind::precinct, &Profiles::senate_precinct, senate_log_prefix, {}},
    {"UHKaptaO.K2", Kind::precinct, &Profiles::senate_precinct, senate_log_prefix, {}},
    {"LCkapta", Kind::data_entry, &Profiles::municipal_data_entry, {}, {}},
    {"UHKapta.K1", Kind::data_entry, &Profiles::senate_data_entry, {}, {}},
    {"UHKapta.K2", Kind::data_entry, &Profiles::senate_data_entry, {}, {}},
    {"LCsumar", Kind::processing, nullptr, {}, "lcsumar.exe"},
    {"UHsumar.K1", Kind::processing, nullptr, {}, "uhsumar.exe"},
    {"UHsumar.K2", Kind::processing, nullptr, {}, "uhsumar.exe"},
}};

// The argument after the first "--app-folder" that has one. Byte for byte: neither
// "--App-Folder" nor "--app-folder=LCkapta" selects anything.
std::optional<PString> selected_folder(const std::vector<PString>& args) {
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == u"--app-folder") return args[i + 1];
    return std::nullopt;
}

const FolderRow* find_folder(std::string_view folder) {
    for (const FolderRow& row : dispatch_table)
        if (ascii_iequals(folder, row.folder)) return &row;
    return nullptr;
}

// A data-entry run: the log is named by the millisecond, its folder made once up front, and
// every line is written without touching folders again.
int run_data_entry(Platform& os, const ProfileRun& profile, const std::vector<PString>& args) {
    const std::string name = data_entry_log_name(os.now_unix_ticks());
    const PString dir = log_directory(os, args);
    (void)os.create_dir_all(dir);
    const PString log_path = winpath::join(dir, to_utf16(name));

    append_log_line_no_mkdir(os, log_path, "tarvo-untarvo started");
    const Result<> outcome = profile(os, process_arguments(os), log_path);
    if (!outcome) {
        append_log_line_no_mkdir(os, log_path, "ERROR: " + outcome.error());
        return exit_status::refused;
    }
    append_log_line_no_mkdir(os, log_path, "tarvo-untarvo completed");
    return exit_status::success;
}

// A precinct run: the log is named by the second and the process id and started empty.
int run_precinct(Platform& os, const ProfileRun& profile, std::string_view log_prefix,
                 const std::vector<PString>& args) {
    const PString log_path = precinct_log_path(os, args, log_prefix);

    start_log_file(os, log_path);
    append_log_line(os, log_path, "log_path=" + to_utf8(log_path));
    const Result<> outcome = profile(os, args, log_path);
    if (!outcome) {
        append_log_line(os, log_path, "ERROR: " + outcome.error());
        return exit_status::profile_failed;
    }
    return exit_status::success;
}

}  // namespace

std::vector<PString> process_arguments(Platform& os) {
    std::vector<PString> args = os.command_line();
    if (!args.empty()) args.erase(args.begin());  // the program name is never looked at
    return args;
}

int run_entry(Platform& os, const Profiles& profiles) {
    // Nothing is written anywhere until a folder value has matched: a command line that
    // names no known application leaves no trace but the status.
    const std::optional<PString> folder = selected_folder(process_arguments(os));
    if (!folder) return exit_status::refused;
    const FolderRow* row = find_folder(to_utf8(*folder));
    if (!row) return exit_status::refused;

    if (row->kind == Kind::processing) return profiles.processing(os, row->folder, row->executable);

    const std::vector<PString> args = process_arguments(os);
    if (args.empty()) return exit_status::refused;

    const ProfileRun& profile = profiles.*(row->profile);
    if (row->kind == Kind::data_entry) return run_data_entry(os, profile, args);
    return run_precinct(os, profile, row->log_prefix, args);
}

Result<PString> switch_working_directory(Platform& os) {
    // The current directory moves out of the installation, so that this process holds none
    // of its folders open while they are deleted. Relative paths from the command line are
    // resolved against the new directory from here on.
    const auto temp = os.temp_dir();
    if (!temp) return fail("failed to read temporary directory: " + os_error_text(os, temp.error()));
    if (const auto set = os.set_current_dir(*temp); !set)
        return fail("failed to switch helper working directory to " + to_utf8(*temp) + ": " +
                    os_error_text(os, set.error()));
    auto now = os.current_dir();
    if (!now) return fail("failed to read helper working directory: " + os_error_text(os, now.error()));
    return std::move(*now);
}

}  // namespace tu
