// docs/troubleshooting.md against the sources: every text the helper can write, and every
// exit status it ends with, is in the document.
//
// Which texts: the source is read, not run, so that a text nobody has made the helper write
// yet is found all the same. The rule, meant to hold for texts still to be added:
//   - every .h and .cpp file below src/, except src/platform/fake/ (the tests' Windows);
//   - every plain string literal "..." in them (comments, #include lines, character
//     literals, digit separators and the u"", u8"", U"" and L"" literals, which hold
//     platform paths and names, are passed over; a raw literal R"(...)" counts);
//   - those that still hold a space once their leading and trailing spaces are taken away.
//     That is every message or message piece ("failed to remove dir ", "removed dir: ",
//     "unexpected value for ") and every log line, and leaves out option names, keys, file
//     names and the connecting pieces of a template (" after ", ", got ").
// Each such text, without its leading and trailing spaces, must stand inside a code span
// (`...`) of the document, as part of the template it belongs to (`failed to remove dir {}
// after {} attempts (os_error={}): {}`). A message made of single words joined at run time
// escapes the rule: write messages as one literal with their spaces, as the sources do.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/entry.h"
#include "docs/markdown.h"

namespace tu::docs_test {
namespace {

bool identifier_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The plain string literals of a C++ source text, escapes resolved (see the rule above).
std::vector<std::string> plain_literals(std::string_view source) {
    std::vector<std::string> literals;
    const std::size_t n = source.size();
    std::size_t i = 0;
    // The identifier right before position `at` (a literal's prefix, or a number's digits).
    const auto word_before = [&](std::size_t at) {
        std::size_t start = at;
        while (start > 0 && identifier_char(source[start - 1])) --start;
        return source.substr(start, at - start);
    };
    while (i < n) {
        if (source.substr(i, 2) == "//") {
            i = source.find('\n', i);
            if (i == std::string_view::npos) break;
            continue;
        }
        if (source.substr(i, 2) == "/*") {
            i = source.find("*/", i + 2);
            if (i == std::string_view::npos) break;
            i += 2;
            continue;
        }
        if (source[i] == '#' && source.substr(i, 8) == "#include") {
            i = source.find('\n', i);
            if (i == std::string_view::npos) break;
            continue;
        }
        const char c = source[i];
        if (c == '\'') {
            const std::string_view before = word_before(i);
            // 0xFFFF'FFFF: a digit separator, not a character literal.
            if (!before.empty() && before != "u8" && before != "u" && before != "U" && before != "L") {
                ++i;
                continue;
            }
            for (++i; i < n && source[i] != '\''; ++i)
                if (source[i] == '\\') ++i;
            ++i;
            continue;
        }
        if (c != '"') {
            ++i;
            continue;
        }
        // An encoding prefix, a raw literal's R, or neither (a word like `return` before it).
        std::string_view prefix = word_before(i);
        const bool raw = prefix == "R" || prefix == "u8R" || prefix == "uR" || prefix == "UR" || prefix == "LR";
        if (raw) prefix.remove_suffix(1);
        const bool plain = prefix != "u8" && prefix != "u" && prefix != "U" && prefix != "L";
        std::string text;
        if (raw) {
            const std::size_t open = source.find('(', i);
            const std::string closing = ")" + std::string(source.substr(i + 1, open - i - 1)) + "\"";
            const std::size_t close = source.find(closing, open);
            if (close == std::string_view::npos) break;
            text = source.substr(open + 1, close - open - 1);
            i = close + closing.size();
        } else {
            for (++i; i < n && source[i] != '"'; ++i) {
                if (source[i] != '\\' || i + 1 >= n) {
                    text += source[i];
                    continue;
                }
                const char escaped = source[++i];
                switch (escaped) {
                case 'n': text += '\n'; break;
                case 't': text += '\t'; break;
                case '0': text += '\0'; break;
                default: text += escaped; break;  // \\ \" \'
                }
            }
            ++i;
        }
        if (plain) literals.push_back(std::move(text));
    }
    return literals;
}

// The texts of the rule, each with the source files it stands in.
std::map<std::string, std::set<std::string>> texts_of_the_sources() {
    namespace fs = std::filesystem;
    const fs::path sources = fs::path(TU_SOURCE_DIR) / "src";
    std::map<std::string, std::set<std::string>> texts;
    for (const auto& entry : fs::recursive_directory_iterator(sources)) {
        const fs::path& path = entry.path();
        const std::string relative = path.lexically_relative(fs::path(TU_SOURCE_DIR)).generic_string();
        if (!entry.is_regular_file() || relative.starts_with("src/platform/fake/")) continue;
        if (path.extension() != ".h" && path.extension() != ".cpp") continue;
        for (const std::string& literal : plain_literals(read_source_file(relative))) {
            const std::string text = trimmed(literal);
            if (text.find(' ') != std::string::npos) texts[text].insert(relative);
        }
    }
    return texts;
}

TEST(SourceTexts, PlainLiteralsAreFoundAsTheCompilerReadsThem) {
    const std::string source = R"src(
        #include "a b.h"
        // "in a comment"
        /* "in a block
           comment" */
        const auto digits = 0xFFFF'FFFFu + 'x' + u8'y';
        fail("failed to " + std::string("go \"there\"\\now") + ": "); return"tight";
        const char16_t* path = u"C:\\Program Files";  const wchar_t* w = L"wide text";
        auto raw = R"(raw " text)";
    )src";
    EXPECT_EQ(plain_literals(source),
              (std::vector<std::string>{"failed to ", "go \"there\"\\now", ": ", "tight", "raw \" text"}));
}

TEST(TroubleshootingDocument, NamesEveryTextTheHelperCanWrite) {
    const std::string document = read_source_file("docs/troubleshooting.md");
    ASSERT_FALSE(document.empty());
    const std::vector<std::string> spans = code_spans(document);
    const auto texts = texts_of_the_sources();
    // The rule still finds what it is for: were these not found, it would find nothing.
    for (const char* known : {"unexpected value for", "refused to delete", "removed dir:", "missing --mode"})
        ASSERT_TRUE(texts.contains(known)) << "the sources no longer yield \"" << known << "\"";

    for (const auto& [text, files] : texts) {
        const bool documented =
            std::any_of(spans.begin(), spans.end(), [&](const std::string& span) { return span.find(text) != std::string::npos; });
        EXPECT_TRUE(documented) << "docs/troubleshooting.md does not name \"" << text << "\" (" << *files.begin()
                                << "): add it, with its cause and what to do";
    }
}

TEST(TroubleshootingDocument, NamesEveryExitStatus) {
    std::set<int> documented;
    for (const auto& cells : table_rows(read_source_file("docs/troubleshooting.md"), {"status", "meaning"}))
        for (const std::string& span : code_spans(cells[0])) documented.insert(std::stoi(span));
    for (const int status : {exit_status::success, exit_status::profile_failed, exit_status::refused})
        EXPECT_TRUE(documented.contains(status)) << status;
}

}  // namespace
}  // namespace tu::docs_test
