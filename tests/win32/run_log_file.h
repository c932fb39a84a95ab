// A run log in a real file, as the removal operations write it, read back line by line.
#pragma once

#include <string>
#include <vector>

#include "app/run_log.h"
#include "platform/win32/win32_platform.h"
#include "win32_test_support.h"

namespace tu::win32::test {

using Lines = std::vector<std::string>;

// Kept next to (never inside) what a test removes.
class RunLogFile {
public:
    explicit RunLogFile(const ScratchFolder& scratch)
        : path_(scratch / u"logs\\run.log"), log_(platform(), path_, LogWriter::create_dirs) {}

    const RunLog& log() const { return log_; }

    // Every line, each of which must end with LF; none when nothing was written yet.
    Lines lines() const {
        const auto text = platform().read_file(path_);
        Lines result;
        if (!text) return result;
        std::size_t start = 0;
        while (start < text->size()) {
            std::size_t end = text->find('\n', start);
            EXPECT_NE(end, std::string::npos) << "unterminated last line";
            if (end == std::string::npos) end = text->size();
            result.push_back(text->substr(start, end - start));
            start = end + 1;
        }
        return result;
    }

private:
    PString path_;
    RunLog log_;
};

}  // namespace tu::win32::test
