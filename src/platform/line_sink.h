// Where the logic reports what it does: one event per call, one line of the run log. The
// run frame owns the log (its file, its writer, its naming); everything below it sees only
// this.
#pragma once

#include <string_view>

namespace tu {

class LineSink {
public:
    virtual void line(std::string_view text) const = 0;

protected:
    ~LineSink() = default;
};

}  // namespace tu
