// Reading the project's own Markdown documents in a test: a file of the source tree, the rows
// of one of its tables, and the code spans (`...`) of a piece of text.
#pragma once

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace tu::docs_test {

// A file below the source tree, e.g. "docs/applications.md"; empty when it cannot be read.
inline std::string read_source_file(std::string_view relative) {
    std::ifstream in(std::string(TU_SOURCE_DIR) + "/" + std::string(relative), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// The cells of one table line: "| a | b |" gives {"a", "b"}.
inline std::vector<std::string> cells_of(std::string_view line) {
    std::vector<std::string> cells;
    std::size_t start = line.find('|') + 1;
    for (std::size_t bar = line.find('|', start); bar != std::string_view::npos; bar = line.find('|', start)) {
        cells.push_back(trimmed(line.substr(start, bar - start)));
        start = bar + 1;
    }
    return cells;
}

// The body rows of the first table whose header starts with the given cells; empty when the
// document has none.
inline std::vector<std::vector<std::string>> table_rows(const std::string& markdown,
                                                        std::initializer_list<std::string_view> header) {
    std::vector<std::string> lines;
    std::istringstream in(markdown);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].starts_with('|')) continue;
        const auto head = cells_of(lines[i]);
        if (head.size() < header.size() || !std::equal(header.begin(), header.end(), head.begin())) continue;
        std::vector<std::vector<std::string>> rows;
        for (std::size_t j = i + 2; j < lines.size() && lines[j].starts_with('|'); ++j) rows.push_back(cells_of(lines[j]));
        return rows;
    }
    return {};
}

// The texts between backquotes, in order.
inline std::vector<std::string> code_spans(std::string_view text) {
    std::vector<std::string> spans;
    for (std::size_t open = text.find('`'); open != std::string_view::npos;) {
        const std::size_t close = text.find('`', open + 1);
        if (close == std::string_view::npos) break;
        spans.emplace_back(text.substr(open + 1, close - open - 1));
        open = text.find('`', close + 1);
    }
    return spans;
}

}  // namespace tu::docs_test
