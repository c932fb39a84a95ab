#include "app/entry.h"

#include <array>
#include <functional>
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
    std::string_view log_prefix;    // precinct and processing kinds
    std::string_view executable;    // processing kind
};

// One row per application folder. The processing profile receives the folder spelled as it
// is here, whatever case the command line used; its logs are named like the municipal
// precinct application's.
constexpr std::array<FolderRow, 9> dispatch_table{{
    {"LCKaptaO", Kind::precinct, &Profiles::municipal_precinct, municipal_log_prefix, {}},
    {"UHKaptaO.K1", Kind::precinct, &Profiles::senate_precinct, senate_log_prefix, {}},
    {"UHKaptaO.K2", Kind::precinct, &Profiles::senate_precinct, senate_log_prefix, {}},
    {"LCkapta", Kind::data_entry, &Profiles::municipal_data_entry, {}, {}},
    {"UHKapta.K1", Kind::data_entry, &Profiles::senate_data_entry, {}, {}},
    {"UHKapta.K2", Kind::data_entry, &Profiles::senate_data_entry, {}, {}},
    {"LCsumar", Kind::processing, nullptr, municipal_log_prefix, "lcsumar.exe"},
    {"UHsumar.K1", Kind::processing, nullptr, municipal_log_prefix, "uhsumar.exe"},
    {"UHsumar.K2", Kind::processing, nullptr, municipal_log_prefix, "uhsumar.exe"},
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

// Runs a profile in the frame of its kind. The data-entry applications' uninstallers read
// "started" and "completed" lines in a log named by the millisecond, whose folder is made once
// up front and never again; the others read logs named by the second and the process id
// ("{prefix}-{seconds}-{pid}.log"), started empty, every line recreating the folder if it
// went, and the precinct runs name their log first.
int run_in_frame(Platform& os, const FolderRow& row, const std::vector<PString>& args,
                 const std::function<Result<>(const LineSink&)>& profile) {
    const bool data_entry = row.kind == Kind::data_entry;
    PString log_path;
    if (data_entry) {
        const PString dir = log_directory(os, args);
        (void)os.create_dir_all(dir);
        log_path = winpath::join(dir, to_utf16(data_entry_log_name(os.now_unix_ticks())));
    } else {
        log_path = precinct_log_path(os, args, row.log_prefix);
    }
    const RunLog log(os, log_path, data_entry ? LogWriter::no_mkdir : LogWriter::create_dirs);
    if (data_entry) log.line("tarvo-untarvo started");
    if (row.kind == Kind::precinct) log.line("log_path=" + to_utf8(log_path));
    // Only where Windows could not restrict the DLL search (a Windows 7 without its loader
    // update): the staff learn that this run loaded system DLLs the older way.
    if (const auto search = os.library_search(); !search)
        log.line("dll search not restricted to the system folder: " + os_error_text(os, search.error()));

    const Result<> outcome = profile(log);
    if (!outcome) {
        log.line("ERROR: " + outcome.error());
        return data_entry ? exit_status::refused : exit_status::profile_failed;
    }
    if (data_entry) log.line("tarvo-untarvo completed");
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
    const std::vector<PString> args = process_arguments(os);
    const std::optional<PString> folder = selected_folder(args);
    if (!folder) return exit_status::refused;
    const FolderRow* row = find_folder(to_utf8(*folder));
    if (!row) return exit_status::refused;

    return run_in_frame(os, *row, args, [&](const LineSink& log) {
        if (row->kind == Kind::processing) return profiles.processing(os, args, log, row->folder, row->executable);
        return (profiles.*(row->profile))(os, args, log);
    });
}

}  // namespace tu
