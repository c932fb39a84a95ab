#include "app/run_log.h"

#include "platform/text.h"
#include "platform/winpath.h"

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

void create_parent_dirs(Platform& os, PStringView log_path) {
    if (const auto dir = winpath::parent(log_path); dir && !dir->empty()) (void)os.create_dir_all(*dir);
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

void start_log_file(Platform& os, PStringView log_path) {
    create_parent_dirs(os, log_path);
    (void)os.create_truncate_file(log_path);
}

void append_log_line(Platform& os, PStringView log_path, std::string_view text) {
    // Every line recreates the folder, so a folder removed during the run costs no later line.
    create_parent_dirs(os, log_path);
    append_log_line_no_mkdir(os, log_path, text);
}

void append_log_line_no_mkdir(Platform& os, PStringView log_path, std::string_view text) {
    // One open, write and close per line: nothing is held between lines, so a finished line
    // survives the process being killed, and other programs may read or delete the file.
    // The file is UTF-8 throughout: a text with ill-formed bytes (read from a foreign file,
    // say) is written with U+FFFD in their place rather than corrupting the log.
    std::string line = is_valid_utf8(text) ? one_line(text) : one_line(to_utf8(to_utf16(text)));
    line.push_back('\n');
    (void)os.append_to_file(log_path, line);
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
