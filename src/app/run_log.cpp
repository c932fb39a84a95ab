#include "app/run_log.h"

#include "platform/text.h"
#include "platform/winpath.h"
#include "safety/paths.h"

namespace tu {
namespace {

constexpr std::int64_t ticks_per_ms = 10'000;
constexpr std::int64_t ticks_per_second = 10'000'000;

// Whole units since 1970; a clock set earlier than that gives 0.
std::uint64_t whole_units_since_1970(std::int64_t unix_ticks, std::int64_t ticks_per_unit) {
    return unix_ticks <= 0 ? 0 : static_cast<std::uint64_t>(unix_ticks / ticks_per_unit);
}

// What a control character, or a character that a reader may take for a line break, is
// written as: no value that reaches the log (an option, a marker value, a shortcut target,
// a name from a listing, a system message) can end its line or forge the next one.
constexpr std::string_view replacement = "\xEF\xBF\xBD";  // U+FFFD

// One event, one line: U+0000 to U+001F, U+007F, U+0085, U+2028 and U+2029 replaced.
std::string one_line(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::string_view rest = text.substr(i);
        if (c < 0x20 || c == 0x7F) {
            out += replacement;
        } else if (rest.starts_with("\xC2\x85")) {
            out += replacement;
            i += 1;
        } else if (rest.starts_with("\xE2\x80\xA8") || rest.starts_with("\xE2\x80\xA9")) {
            out += replacement;
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// Whether the object behind a handle is what the log may use: a folder or a file as asked,
// no link, junction or other reparse point, and at `location` (the file system's names,
// exactly) by the handle's final name.
bool is_plain_at(Platform& os, HandleId handle, bool directory, std::string_view location) {
    const auto info = os.handle_info(handle);
    if (!info || info->directory != directory || info->reparse_point) return false;
    const auto where = os.handle_path(handle);
    return where && final_text(*where) == location;
}

// Opens the log's file as RunLog says; an empty handle when the log is to be missing.
OwnedHandle open_log_file(Platform& os, PStringView log_path, LogWriter writer) {
    const auto dir = winpath::parent(log_path);
    const auto name = winpath::file_name(log_path);
    if (!dir || dir->empty() || !name) return {};
    if (writer == LogWriter::create_dirs) (void)os.create_dir_all(*dir);

    const auto folder_place = approve(os, *dir);
    if (!folder_place) return {};
    const auto opened_folder = os.open_no_follow(HandleId{}, folder_place->path, OpenFor::create_in);
    if (!opened_folder) return {};
    const OwnedHandle folder(os, *opened_folder);
    if (!is_plain_at(os, folder.get(), true, folder_place->location.name)) return {};

    const auto opened_file = os.open_for_writing(folder.get(), *name);
    if (!opened_file) return {};
    OwnedHandle file(os, *opened_file);
    const std::string file_place = folder_place->location.name + '\\' + to_utf8(*name);
    const auto names = os.handle_links(file.get());
    if (!names || *names != 1 || !is_plain_at(os, file.get(), false, file_place)) return {};
    // Started empty: what an earlier run of the same second and process id left goes.
    if (writer == LogWriter::create_dirs && !os.truncate(file.get())) return {};
    return file;
}

}  // namespace

PString log_directory(Platform& os, const std::vector<PString>& args) {
    // Its own scan, not the option parser's: the log must have a place before parsing can
    // fail, and the first value counts here while the parser keeps the last.
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == u"--install-dir") return winpath::join(args[i + 1], u"logs");
    // The temporary directory practically always exists; should the platform fail to name
    // it, the folder is taken relative to the current directory rather than not at all.
    const PString temp = os.temp_dir().value_or(PString{});
    return winpath::join(temp, u"tarvo2026-uninstall-logs");
}

RunLog::RunLog(Platform& os, PString path, LogWriter writer)
    : os_(&os), path_(std::move(path)), file_(open_log_file(os, path_, writer)) {}

void RunLog::line(std::string_view text) const {
    if (!file_.get()) return;
    // Written at once, nothing buffered: every finished line has been handed to the file
    // system before the next step of the run, and survives the process being killed. The
    // file is UTF-8 throughout: a text with ill-formed bytes (read from a foreign file, say)
    // is written with U+FFFD in their place rather than corrupting the log.
    std::string line = is_valid_utf8(text) ? one_line(text) : one_line(to_utf8(to_utf16(text)));
    line.push_back('\n');
    (void)os_->append(file_.get(), line);
}

std::string data_entry_log_name(std::int64_t unix_ticks) {
    // Milliseconds since 1970 fit 64 bits for the next 584 million years, so the decimal text
    // equals that of the 128-bit count the name was defined with.
    return "tarvo-untarvo-" + std::to_string(whole_units_since_1970(unix_ticks, ticks_per_ms)) + ".log";
}

std::string precinct_log_name(std::string_view prefix, std::int64_t unix_ticks, std::uint32_t pid) {
    return std::string(prefix) + "-" + std::to_string(whole_units_since_1970(unix_ticks, ticks_per_second)) + "-" +
           std::to_string(pid) + ".log";
}

PString precinct_log_path(Platform& os, const std::vector<PString>& args, std::string_view prefix) {
    return winpath::join(log_directory(os, args),
                         to_utf16(precinct_log_name(prefix, os.now_unix_ticks(), os.current_process_id())));
}

}  // namespace tu
