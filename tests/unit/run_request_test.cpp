// The command line: every option rule and message, for each of the four option columns.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "cli/run_request.h"
#include "platform/text.h"

namespace tu {
namespace {

constexpr OptionColumn all_columns[] = {OptionColumn::data_entry, OptionColumn::processing,
                                        OptionColumn::municipal_precinct, OptionColumn::senate_precinct};

std::string column_name(OptionColumn column) {
    switch (column) {
    case OptionColumn::data_entry: return "data-entry";
    case OptionColumn::processing: return "processing";
    case OptionColumn::municipal_precinct: return "municipal precinct";
    case OptionColumn::senate_precinct: return "senate precinct";
    }
    return "?";
}

std::vector<PString> utf16_args(std::initializer_list<std::string_view> args) {
    std::vector<PString> out;
    for (const auto arg : args) out.push_back(to_utf16(arg));
    return out;
}

// The required options in the order their absence is reported, with valid values for every
// column (the senate precinct profile insists on the kind "okrsek").
const std::vector<std::pair<std::string, std::string>> required_options = {
    {"--mode", "full"},
    {"--app-kind", "okrsek"},
    {"--install-dir", "C:\\Tarvo"},
    {"--app-folder", "LCKaptaO"},
    {"--main-binary", "lc-okrsek.exe"},
    {"--uninstaller", "Zudeded2026.exe"},
    {"--product-name", "LCokrsek"},
    {"--bundle-id", "cz.example.lcokrsek"},
    {"--parent-path", "C:\\Tarvo\\Zudeded2026.exe"},
};

std::vector<PString> complete(std::initializer_list<std::string_view> extra = {}) {
    std::vector<PString> args;
    for (const auto& [name, value] : required_options) {
        args.push_back(to_utf16(name));
        args.push_back(to_utf16(value));
    }
    for (const auto arg : extra) args.push_back(to_utf16(arg));
    return args;
}

std::string error_of(const Result<RunRequest>& parsed) { return parsed ? std::string("<parsed>") : parsed.error(); }

TEST(ParseRunRequest, CompleteCommandLineFillsEveryField) {
    for (const OptionColumn column : all_columns) {
        SCOPED_TRACE(column_name(column));
        const auto parsed = parse_run_request(complete(), column);
        ASSERT_TRUE(parsed) << parsed.error();
        EXPECT_EQ(parsed->mode, Mode::Full);
        EXPECT_EQ(parsed->app_kind, "okrsek");
        EXPECT_EQ(parsed->install_dir, u"C:\\Tarvo");
        EXPECT_EQ(parsed->app_folder, "LCKaptaO");
        EXPECT_EQ(parsed->main_binary, "lc-okrsek.exe");
        EXPECT_EQ(parsed->uninstaller, "Zudeded2026.exe");
        EXPECT_EQ(parsed->product_name, "LCokrsek");
        EXPECT_EQ(parsed->bundle_id, "cz.example.lcokrsek");
        EXPECT_EQ(parsed->parent_path, u"C:\\Tarvo\\Zudeded2026.exe");
        EXPECT_FALSE(parsed->desktop);
        EXPECT_FALSE(parsed->start_menu);
        EXPECT_FALSE(parsed->parent_pid);
        EXPECT_TRUE(parsed->okrsky.empty());
    }
}

TEST(ParseRunRequest, MissingRequiredOptionsAreReportedInFixedOrder) {
    // With only the first k required options given, the (k+1)-th is the one named; an option
    // given later in the list does not change which absence is reported first.
    for (const OptionColumn column : all_columns) {
        SCOPED_TRACE(column_name(column));
        for (std::size_t k = 0; k < required_options.size(); ++k) {
            std::vector<PString> args;
            for (std::size_t i = 0; i < required_options.size(); ++i) {
                if (i == k) continue;
                args.push_back(to_utf16(required_options[i].first));
                args.push_back(to_utf16(required_options[i].second));
            }
            EXPECT_EQ(error_of(parse_run_request(args, column)), "missing " + required_options[k].first);
            args.resize(2 * k);
            EXPECT_EQ(error_of(parse_run_request(args, column)), "missing " + required_options[k].first);
        }
        // Everything but --mode and --app-kind.
        auto args = complete();
        args.erase(args.begin(), args.begin() + 4);
        EXPECT_EQ(error_of(parse_run_request(args, column)), "missing --mode");
    }
}

struct Refusal {
    std::vector<PString> args;
    std::string message;
};

TEST(ParseRunRequest, RefusalsCommonToEveryColumn) {
    const std::vector<Refusal> cases = {
        // Names are matched byte for byte, with no short, joined or abbreviated forms.
        {complete({"--Mode", "full"}), "unknown argument: --Mode"},
        {complete({"--mode=full"}), "unknown argument: --mode=full"},
        {complete({"--app"}), "unknown argument: --app"},
        {complete({"-m", "full"}), "unknown argument: -m"},
        {complete({"--", "x"}), "unknown argument: --"},
        {complete({"stray"}), "unknown argument: stray"},
        {complete({""}), "unknown argument: "},
        {complete({"--bogus", "x"}), "unknown argument: --bogus"},
        // An unknown argument early in the list hides a missing option.
        {utf16_args({"--bogus"}), "unknown argument: --bogus"},
        // A name that is not well-formed UTF-16 is reported with U+FFFD.
        {{PString(u"--mode\xD800")}, "unknown argument: --mode\xEF\xBF\xBD"},
        // A value may look like an option: "--mode" becomes the folder, "full" is then stray.
        {utf16_args({"--app-folder", "--mode", "full"}), "unknown argument: full"},
        // The last option has no value.
        {complete({"--mode"}), "missing value for argument --mode"},
        {utf16_args({"--mode"}), "missing value for argument --mode"},
        // Mode values are case-sensitive and checked at once.
        {complete({"--mode", "FULL"}), "unsupported mode: FULL"},
        {complete({"--mode", "Selected"}), "unsupported mode: Selected"},
        {complete({"--mode", ""}), "unsupported mode: "},
        {complete({"--mode", "full "}), "unsupported mode: full "},
        {utf16_args({"--mode", "all", "--bogus"}), "unsupported mode: all"},
        {{PString(u"--mode"), PString(u"full\xDC00")}, "unsupported mode: full\xEF\xBF\xBD"},
    };
    for (const OptionColumn column : all_columns) {
        for (const auto& c : cases) {
            SCOPED_TRACE(column_name(column) + ": " + c.message);
            EXPECT_EQ(error_of(parse_run_request(c.args, column)), c.message);
        }
    }
}

TEST(ParseRunRequest, ParentPidIsAnUnsignedDecimal) {
    struct Case {
        std::string value;
        std::optional<std::uint32_t> pid;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"42", 42, ""},
        {"+42", 42, ""},
        {"0", 0, ""},
        {"0004294967295", 4294967295u, ""},
        {"4294967295", 4294967295u, ""},
        {"", std::nullopt, "cannot parse integer from empty string"},
        {" 42", std::nullopt, "invalid digit found in string"},
        {"42 ", std::nullopt, "invalid digit found in string"},
        {"+", std::nullopt, "invalid digit found in string"},
        {"-", std::nullopt, "invalid digit found in string"},
        {"-1", std::nullopt, "invalid digit found in string"},
        {"-0", std::nullopt, "invalid digit found in string"},
        {"++1", std::nullopt, "invalid digit found in string"},
        {"0x10", std::nullopt, "invalid digit found in string"},
        {"1e3", std::nullopt, "invalid digit found in string"},
        {"\xD9\xA3", std::nullopt, "invalid digit found in string"},  // ARABIC-INDIC DIGIT THREE
        {"4294967296", std::nullopt, "number too large to fit in target type"},
        {"99999999999999999999999", std::nullopt, "number too large to fit in target type"},
        // Digits are read from the left; whichever fault comes first is the reason.
        {"4294967296x", std::nullopt, "number too large to fit in target type"},
        {"42949672x96", std::nullopt, "invalid digit found in string"},
    };
    for (const OptionColumn column : all_columns) {
        for (const auto& c : cases) {
            SCOPED_TRACE(column_name(column) + ": '" + c.value + "'");
            const auto parsed = parse_run_request(complete({"--parent-pid", c.value}), column);
            if (c.pid) {
                ASSERT_TRUE(parsed) << parsed.error();
                EXPECT_EQ(parsed->parent_pid, c.pid);
            } else {
                EXPECT_EQ(error_of(parsed), "invalid --parent-pid value " + c.value + ": " + c.reason);
            }
        }
    }
    // The last value counts, and a bad one refuses the run even after a good one.
    const auto twice = parse_run_request(complete({"--parent-pid", "7", "--parent-pid", "+8"}), OptionColumn::processing);
    ASSERT_TRUE(twice);
    EXPECT_EQ(twice->parent_pid, 8u);
    EXPECT_EQ(error_of(parse_run_request(complete({"--parent-pid", "7", "--parent-pid", "x"}), OptionColumn::processing)),
              "invalid --parent-pid value x: invalid digit found in string");
}

TEST(ParseRunRequest, RepeatedOptionsKeepTheLastValue) {
    for (const OptionColumn column : all_columns) {
        SCOPED_TRACE(column_name(column));
        const auto parsed = parse_run_request(complete({"--mode", "selected", "--app-folder", "Other", "--install-dir",
                                                        "D:\\Else", "--bundle-id", "b2", "--parent-path", "x.exe"}),
                                              column);
        ASSERT_TRUE(parsed) << parsed.error();
        EXPECT_EQ(parsed->mode, Mode::Selected);
        EXPECT_EQ(parsed->app_folder, "Other");
        EXPECT_EQ(parsed->install_dir, u"D:\\Else");
        EXPECT_EQ(parsed->bundle_id, "b2");
        EXPECT_EQ(parsed->parent_path, u"x.exe");
    }
}

TEST(ParseRunRequest, EmptyShortcutFoldersAreDropped) {
    for (const OptionColumn column : all_columns) {
        SCOPED_TRACE(column_name(column));
        const auto empty = parse_run_request(complete({"--desktop", "", "--start-menu", ""}), column);
        ASSERT_TRUE(empty) << empty.error();
        EXPECT_FALSE(empty->desktop);
        EXPECT_FALSE(empty->start_menu);

        const auto kept = parse_run_request(
            complete({"--desktop", "C:\\Desk", "--desktop", "", "--start-menu", "C:\\Menu", "--start-menu", ""}), column);
        ASSERT_TRUE(kept) << kept.error();
        EXPECT_EQ(kept->desktop, PString(u"C:\\Desk"));
        EXPECT_EQ(kept->start_menu, PString(u"C:\\Menu"));

        const auto last = parse_run_request(complete({"--desktop", "A", "--desktop", "B"}), column);
        ASSERT_TRUE(last);
        EXPECT_EQ(last->desktop, PString(u"B"));

        // A value of white space alone is not empty: it is kept as given.
        const auto blank = parse_run_request(complete({"--start-menu", " "}), column);
        ASSERT_TRUE(blank);
        EXPECT_EQ(blank->start_menu, PString(u" "));
    }
}

TEST(ParseRunRequest, PathsStayPlatformStringsAndTextIsConverted) {
    // A name the file system accepts but that is not well-formed UTF-16 survives in a path
    // value; in a text value it becomes U+FFFD.
    const PString odd = u"C:\\Tarvo\xD800x";
    std::vector<PString> args = complete();
    for (const char16_t* option : {u"--install-dir", u"--parent-path", u"--desktop", u"--start-menu", u"--app-folder",
                                   u"--main-binary", u"--product-name"}) {
        args.push_back(option);
        args.push_back(odd);
    }
    const auto parsed = parse_run_request(args, OptionColumn::processing);
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed->install_dir, odd);
    EXPECT_EQ(parsed->parent_path, odd);
    EXPECT_EQ(parsed->desktop, odd);
    EXPECT_EQ(parsed->start_menu, odd);
    EXPECT_EQ(parsed->app_folder, "C:\\Tarvo\xEF\xBF\xBDx");
    EXPECT_EQ(parsed->main_binary, "C:\\Tarvo\xEF\xBF\xBDx");
    EXPECT_EQ(parsed->product_name, "C:\\Tarvo\xEF\xBF\xBDx");

    // Text values are otherwise left exactly as received: no trimming, no folding.
    const auto raw = parse_run_request(complete({"--uninstaller", " ZUDEDED2026.EXE ", "--app-kind", "OkrSek"}),
                                       OptionColumn::municipal_precinct);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->uninstaller, " ZUDEDED2026.EXE ");
    EXPECT_EQ(raw->app_kind, "OkrSek");
}

// The precinct options per column: L adds to the list, I is consumed and ignored, - unknown.
TEST(ParseRunRequest, PrecinctOptionsPerColumn) {
    struct Case {
        OptionColumn column;
        std::string option;
        enum { adds, ignored, unknown } use;
    };
    const std::vector<Case> cases = {
        {OptionColumn::data_entry, "--okrsek", Case::unknown},
        {OptionColumn::data_entry, "--items", Case::ignored},
        {OptionColumn::data_entry, "--okrsky", Case::ignored},
        {OptionColumn::processing, "--okrsek", Case::adds},
        {OptionColumn::processing, "--items", Case::adds},
        {OptionColumn::processing, "--okrsky", Case::adds},
        {OptionColumn::municipal_precinct, "--okrsek", Case::adds},
        {OptionColumn::municipal_precinct, "--items", Case::adds},
        {OptionColumn::municipal_precinct, "--okrsky", Case::adds},
        {OptionColumn::senate_precinct, "--okrsek", Case::adds},
        {OptionColumn::senate_precinct, "--items", Case::adds},
        {OptionColumn::senate_precinct, "--okrsky", Case::unknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(column_name(c.column) + " " + c.option);
        const auto parsed = parse_run_request(complete({c.option, "12"}), c.column);
        switch (c.use) {
        case Case::adds:
            ASSERT_TRUE(parsed) << parsed.error();
            EXPECT_EQ(parsed->okrsky, std::vector<std::string>{"12"});
            break;
        case Case::ignored:
            ASSERT_TRUE(parsed) << parsed.error();
            EXPECT_TRUE(parsed->okrsky.empty());
            // Consumed: a value that looks like an option is not read as one.
            EXPECT_TRUE(parse_run_request(complete({c.option, "--bogus"}), c.column));
            EXPECT_EQ(error_of(parse_run_request(complete({c.option}), c.column)),
                      "missing value for argument " + c.option);
            break;
        case Case::unknown:
            EXPECT_EQ(error_of(parsed), "unknown argument: " + c.option);
            break;
        }
    }
}

TEST(ParseRunRequest, PrecinctListsAreSplitTrimmedAndAccumulated) {
    using List = std::vector<std::string>;
    struct Case {
        std::vector<std::string> extra;
        List okrsky;
    };
    const std::vector<Case> cases = {
        {{"--items", "12, 7;;9 "}, {"12", "7", "9"}},
        {{"--items", ""}, {}},
        {{"--items", " , ;\t;"}, {}},
        {{"--items", ",1,"}, {"1"}},
        {{"--items", "1 2"}, {"1 2"}},  // inner white space stays
        // Unicode white space is trimmed too: NBSP, ideographic space, line separator.
        {{"--items", "\xC2\xA0" "3\xE3\x80\x80;\xE2\x80\xA8" "4"}, {"3", "4"}},
        // ...but a zero-width space is not white space.
        {{"--items", "\xE2\x80\x8B" "5"}, {"\xE2\x80\x8B" "5"}},
        // A single precinct is kept exactly, even blank or with separators.
        {{"--okrsek", " 3"}, {" 3"}},
        {{"--okrsek", ""}, {""}},
        {{"--okrsek", "1,2"}, {"1,2"}},
        // The list options accumulate in command-line order, duplicates kept.
        {{"--okrsek", "1", "--items", "2;3", "--okrsek", "1", "--items", "4"}, {"1", "2", "3", "1", "4"}},
    };
    for (const OptionColumn column : {OptionColumn::processing, OptionColumn::municipal_precinct, OptionColumn::senate_precinct}) {
        for (const auto& c : cases) {
            std::vector<PString> args = complete();
            for (const auto& arg : c.extra) args.push_back(to_utf16(arg));
            SCOPED_TRACE(column_name(column) + ": " + c.extra[1]);
            const auto parsed = parse_run_request(args, column);
            ASSERT_TRUE(parsed) << parsed.error();
            EXPECT_EQ(parsed->okrsky, c.okrsky);
        }
    }
    const auto okrsky = parse_run_request(complete({"--okrsky", " 8 ;9", "--items", "10"}), OptionColumn::processing);
    ASSERT_TRUE(okrsky);
    EXPECT_EQ(okrsky->okrsky, (List{"8", "9", "10"}));
}

TEST(ParseRunRequest, SenatePrecinctFoldsAndChecksTheKindAtOnce) {
    struct Case {
        std::string kind;
        std::string error;  // empty: accepted, stored as "okrsek"
    };
    const std::vector<Case> cases = {
        {"okrsek", ""},
        {"OKRSEK", ""},
        {"OkrSek", ""},
        {"Okrsek2", "unsupported app kind: okrsek2"},
        {"", "unsupported app kind: "},
        {" okrsek", "unsupported app kind:  okrsek"},
        // Only A-Z fold: an accented capital stays as it is.
        {"\xC3\x93KRSEK", "unsupported app kind: \xC3\x93krsek"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        const auto parsed = parse_run_request(complete({"--app-kind", c.kind}), OptionColumn::senate_precinct);
        if (c.error.empty()) {
            ASSERT_TRUE(parsed) << parsed.error();
            EXPECT_EQ(parsed->app_kind, "okrsek");
        } else {
            EXPECT_EQ(error_of(parsed), c.error);
        }
    }
    // At once: before a later unknown argument or a missing option.
    EXPECT_EQ(error_of(parse_run_request(utf16_args({"--app-kind", "Full", "--bogus"}), OptionColumn::senate_precinct)),
              "unsupported app kind: full");
    // The other columns keep any kind as given; their profiles check it themselves.
    for (const OptionColumn column : {OptionColumn::data_entry, OptionColumn::processing, OptionColumn::municipal_precinct}) {
        const auto parsed = parse_run_request(complete({"--app-kind", "SUMAR"}), column);
        ASSERT_TRUE(parsed) << parsed.error();
        EXPECT_EQ(parsed->app_kind, "SUMAR");
    }
}

TEST(ExpectValue, FoldsAsciiLettersOnly) {
    struct Case {
        std::string actual, expected;
        bool equal;
    };
    const std::vector<Case> cases = {
        {"PM", "pm", true},
        {"Zudeded2026.EXE", "Zudeded2026.exe", true},
        {"LCKAPTAO", "LCKaptaO", true},
        {"", "", true},
        {"\xC3\x81", "\xC3\xA1", false},  // Á is not á
        {"\xC3\xA1", "\xC3\xA1", true},
        {"okrsek", "okrsek ", false},      // lengths must be equal
        {"okrsek", "okrse", false},
        {"lc-okrsek", "lc_okrsek", false},
        {"@", "`", false},                 // 0x40 and 0x60 differ like a case pair but are not letters
        {"[", "{", false},
        {"\xE2\x84\xAA", "k", false},      // KELVIN SIGN does not fold onto k
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.actual + " vs " + c.expected);
        const auto checked = expect_value("--app-kind", c.actual, c.expected);
        if (c.equal) {
            EXPECT_TRUE(checked);
        } else {
            ASSERT_FALSE(checked);
            EXPECT_EQ(checked.error(), "unexpected value for --app-kind: expected " + c.expected + ", got " + c.actual);
        }
    }
}

}  // namespace
}  // namespace tu
