// The run log: one plain-text UTF-8 file per run, one event per line, LF endings. Writing
// never influences the run: every failure is ignored and the line is lost.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/line_sink.h"
#include "platform/platform.h"

namespace tu {

// The log directory: the first `--install-dir` value (followed by another argument) joined
// with "logs", else the temporary directory joined with "tarvo2026-uninstall-logs".
PString log_directory(Platform& os, const std::vector<PString>& args);

// File names: "tarvo-untarvo-{ms}.log" and "{prefix}-{seconds}-{pid}.log". Both take the
// clock as 100 ns ticks since 1970 (Platform::now_unix_ticks); a clock before 1970 gives 0.
std::string data_entry_log_name(std::int64_t unix_ticks);
std::string precinct_log_name(std::string_view prefix, std::int64_t unix_ticks, std::uint32_t pid);
// The log path of a precinct or processing run: the log directory of the arguments joined
// with "{prefix}-{seconds}-{pid}.log" for the clock and process id of now.
PString precinct_log_path(Platform& os, const std::vector<PString>& args, std::string_view prefix);
// The prefixes: the municipal precinct and the processing runs, and the senate precinct run.
inline constexpr std::string_view municipal_log_prefix = "lc-okrsek-uninstall-untarvo";
inline constexpr std::string_view senate_log_prefix = "tarvo-uninstall-untarvo";

// Which of the two writers a run uses for all of its lines.
enum class LogWriter {
    create_dirs,  // precinct and processing runs: the folder is made with all missing parents,
                  // and the file is started empty
    no_mkdir,     // data-entry runs: folders are left alone (the entry made the folder once),
                  // and the lines are added to the file
};

// The log of one run, the LineSink everything below the run frame writes to. Its path is
// fixed when it is opened, and its file is written through the one handle opened then:
//  - the folder is opened without following a link, and its handle must lead where the
//    folder was found to be (the final name of the folder above it, and its own name), as a
//    deletion's handle must;
//  - the file is opened, or made, relative to that handle, without following a link; an
//    entry that is there is written only when it is a plain file with no other name (no
//    link, no second hard link) and its handle leads to the folder's place and its name.
// Otherwise the log is simply missing: the run goes on as it would, and nothing is written
// anywhere else. The file is never opened by its name again, so nothing swapped in later
// (a link in the folder's place, a file deleted and planted anew) receives a line.
class RunLog final : public LineSink {
public:
    RunLog(Platform& os, PString path, LogWriter writer);
    void line(std::string_view text) const override;
    const PString& path() const { return path_; }

private:
    Platform* os_;
    PString path_;
    OwnedHandle file_;  // empty when the log is missing
};

}  // namespace tu
