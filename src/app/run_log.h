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

// Creates the parent directories, then the file empty (truncating); failures ignored.
void start_log_file(Platform& os, PStringView log_path);
// Creates the parent directories, then appends the line; failures ignored.
void append_log_line(Platform& os, PStringView log_path, std::string_view text);
// Appends the line without touching directories; failures ignored.
void append_log_line_no_mkdir(Platform& os, PStringView log_path, std::string_view text);

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
enum class LogWriter { create_dirs, no_mkdir };

// The log of one run: its fixed path and its writer. Everything below the run frame writes
// to it as a LineSink.
class RunLog final : public LineSink {
public:
    RunLog(Platform& os, PString path, LogWriter writer) : os_(&os), path_(std::move(path)), writer_(writer) {}
    void line(std::string_view text) const override {
        if (writer_ == LogWriter::create_dirs)
            append_log_line(*os_, path_, text);
        else
            append_log_line_no_mkdir(*os_, path_, text);
    }
    const PString& path() const { return path_; }

private:
    Platform* os_;
    PString path_;
    LogWriter writer_;
};

}  // namespace tu
