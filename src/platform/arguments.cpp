#include "platform/arguments.h"

namespace tu {

namespace {

bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

std::vector<PString> split_arguments(PStringView line) {
    std::vector<PString> args;
    if (line.empty()) return args;
    std::size_t i = 0;

    // The program name: no escapes, a quote only delimits.
    PString current;
    if (line[0] == u'"') {
        for (i = 1; i < line.size() && line[i] != u'"'; ++i) current.push_back(line[i]);
        if (i < line.size()) ++i;  // the closing quote
    } else {
        for (; i < line.size() && !is_blank(line[i]); ++i) current.push_back(line[i]);
    }
    args.push_back(std::move(current));
    current.clear();

    // `quotes` counts the quotes of the current run: 1 inside a quoted stretch, 0 outside; a
    // third quote in a row is a literal one.
    int quotes = 0;
    std::size_t backslashes = 0;
    bool in_argument = false;
    while (i < line.size()) {
        const char16_t c = line[i];
        if (is_blank(c) && quotes == 0) {
            if (in_argument) args.push_back(std::move(current));
            current.clear();
            in_argument = false;
            backslashes = 0;
            ++i;
            continue;
        }
        in_argument = true;
        if (c == u'\\') {
            current.push_back(c);
            ++backslashes;
            ++i;
            continue;
        }
        if (c != u'"') {
            current.push_back(c);
            backslashes = 0;
            ++i;
            continue;
        }
        // A quote: the backslashes before it are halved; an odd one makes it literal.
        current.resize(current.size() - backslashes / 2);
        if (backslashes % 2 == 1) {
            current.back() = u'"';
        } else {
            ++quotes;
        }
        backslashes = 0;
        for (++i; i < line.size() && line[i] == u'"'; ++i) {
            if (++quotes == 3) {
                current.push_back(u'"');
                quotes = 0;
            }
        }
        if (quotes == 2) quotes = 0;
    }
    if (in_argument) args.push_back(std::move(current));
    return args;
}

}  // namespace tu
