#include "safety/layout.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/run_log.h"
#include "platform/fake/fake_platform.h"
#include "platform/text.h"
#include "support/apps.h"

namespace tu {
namespace {

const std::string bom = "\xEF\xBB\xBF";

struct ParseCase {
    const char* name;
    std::string text;
    Marker lenient;                      // what the lenient reading yields
    std::optional<std::string> refused;  // the line the strict reading refuses, if any
};

TEST(ParseMarker, FormatRules) {
    const ParseCase cases[] = {
        {"LfAndCrLf", "a=1\r\nb=2\nc=3\r\n", {{"a", "1"}, {"b", "2"}, {"c", "3"}}, {}},
        {"NoFinalBreak", "a=1", {{"a", "1"}}, {}},
        {"BlankAndComments", "\n   \n# c\n\t  # indented\n a = 1 \n", {{"a", "1"}}, {}},
        {"FirstEqualsSplits", "main_binary=a=b.exe", {{"main_binary", "a=b.exe"}}, {}},
        {"LastWins", "a=1\na=2", {{"a", "2"}}, {}},
        {"EmptyValue", "a=\nb=  ", {{"a", ""}, {"b", ""}}, {}},
        {"KeysKeepCase", "Bundle_ID=x", {{"Bundle_ID", "x"}}, {}},
        {"UnicodeWhiteSpace", "\xC2\xA0" "a\xE3\x80\x80=\xE2\x80\x83v\xC2\x85\xE2\x80\xA8", {{"a", "v"}}, {}},
        {"ZeroWidthSpaceIsText", "a=v\xE2\x80\x8B", {{"a", "v\xE2\x80\x8B"}}, {}},
        {"LoneCrStaysInValue", "a=x\ry", {{"a", "x\ry"}}, {}},
        {"BomKeptInKey", bom + "a=1", {{bom + "a", "1"}}, {}},
        {"BomSpoilsComment", bom + "# made by setup\na=1", {{"a", "1"}}, bom + "# made by setup"},
        {"LineWithoutEquals", "a=1\n  junk here \nb=2", {{"a", "1"}, {"b", "2"}}, "junk here"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto lenient = parse_marker(c.text, false);
        ASSERT_TRUE(lenient.has_value());
        EXPECT_EQ(*lenient, c.lenient);
        const auto strict = parse_marker(c.text, true);
        if (c.refused) {
            ASSERT_FALSE(strict.has_value());
            EXPECT_EQ(strict.error().line, *c.refused);
        } else {
            ASSERT_TRUE(strict.has_value());
            EXPECT_EQ(*strict, c.lenient);
        }
    }
}

TEST(IsAFile, OnlyRegularFilesCount) {
    fake::FakePlatform os;
    os.add_file(u"C:\\d\\file.txt");
    os.add_dir(u"C:\\d\\dir");
    os.add_symlink(u"C:\\d\\link.txt", u"C:\\d\\file.txt", false);
    os.add_junction(u"C:\\d\\junction", u"C:\\d\\dir");
    EXPECT_TRUE(is_a_file(os, u"C:\\d\\file.txt"));
    EXPECT_FALSE(is_a_file(os, u"C:\\d\\dir"));
    EXPECT_FALSE(is_a_file(os, u"C:\\d\\link.txt"));
    EXPECT_FALSE(is_a_file(os, u"C:\\d\\junction"));
    EXPECT_FALSE(is_a_file(os, u"C:\\d\\missing.txt"));
    os.fault = [](fake::Op op, PStringView) -> std::optional<std::uint32_t> {
        return op == fake::Op::file_info ? std::optional<std::uint32_t>(5) : std::nullopt;
    };
    EXPECT_FALSE(is_a_file(os, u"C:\\d\\file.txt"));
}

const std::string good_marker = test_support::marker_text(test_support::lc_kapta);
const PString marker_path = u"C:\\Tarvo\\LCkapta\\.meta";
const std::string marker_text = "C:\\Tarvo\\LCkapta\\.meta";
const PString log_path = u"C:\\logs\\run.log";

// An installation as its installer left it, and the check its profile would ask for.
struct Install {
    fake::FakePlatform os;
    LayoutCheck check;
    explicit Install(Generation generation) {
        check = {generation,       ".meta",         false,          u"C:\\Tarvo",      u"C:\\Tarvo\\LCkapta",
                 u"C:\\Tarvo\\LCkapta\\lc-kapta.exe", u"C:\\Tarvo\\Zudeded2026.exe", "com.lc-kapta", "LCkapta",
                 "lc-kapta.exe",    "Zudeded2026.exe"};
        os.add_file(check.main_exe);
        os.add_file(u"C:\\Tarvo\\LCkapta\\icon.ico");
        os.add_file(check.uninstaller);
        os.add_file(marker_path, good_marker);
        os.messages[5] = "Access is denied.";
    }
    void marker(std::string_view content) { os.add_file(marker_path, content); }
    void replace(std::string_view from, std::string_view to) {
        std::string text = good_marker;
        text.replace(text.find(from), from.size(), to);
        marker(text);
    }
    void fail_reads() {
        os.fault = [](fake::Op op, PStringView) -> std::optional<std::uint32_t> {
            return op == fake::Op::read_file ? std::optional<std::uint32_t>(5) : std::nullopt;
        };
    }
    Result<> run() {
        const auto approved = validate_layout(os, check, RunLog(os, log_path, LogWriter::create_dirs));
        return approved ? Result<>{} : fail(approved.error());
    }
    std::vector<std::string> log() const { return os.exists(log_path) ? os.lines(log_path) : std::vector<std::string>{}; }
};

struct LayoutCase {
    const char* name;
    std::function<void(Install&)> setup;
    std::string error;  // empty: validation passes
};

void check_cases(Generation generation, const std::vector<LayoutCase>& cases,
                 const std::function<std::vector<std::string>(const LayoutCase&)>& expected_log) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Install install(generation);
        c.setup(install);
        const auto result = install.run();
        if (c.error.empty()) {
            EXPECT_TRUE(result.has_value()) << result.error();
        } else {
            ASSERT_FALSE(result.has_value());
            EXPECT_EQ(result.error(), c.error);
        }
        EXPECT_EQ(install.log(), expected_log(c));
    }
}

TEST(ValidateLayout, Lenient) {
    const std::vector<LayoutCase> cases = {
        {"Agrees", [](Install&) {}, ""},
        {"AppDirOutside", [](Install& i) { i.check.app_dir = u"C:\\Other\\LCkapta"; },
         "unsafe path outside expected directory: C:\\Other\\LCkapta"},
        {"AppDirJunctionLeadsOutside",
         [](Install& i) {
             i.os.add_dir(u"C:\\Elsewhere");
             i.check.app_dir = u"C:\\Tarvo\\Linked";
             i.os.add_junction(i.check.app_dir, u"C:\\Elsewhere");
         },
         "unsafe path outside expected directory: C:\\Tarvo\\Linked"},
        {"AppDirIsInstallDir", [](Install& i) { i.check.app_dir = u"c:/TARVO/"; },
         "application directory must not equal install directory"},
        {"MainExeMissing", [](Install& i) { i.check.main_exe = u"C:\\Tarvo\\LCkapta\\other.exe"; },
         "main executable is missing: C:\\Tarvo\\LCkapta\\other.exe"},
        {"MainExeIsFolder", [](Install& i) { i.check.main_exe = u"C:\\Tarvo\\LCkapta"; },
         "main executable is missing: C:\\Tarvo\\LCkapta"},
        {"MarkerMissing", [](Install& i) { i.check.marker_name = ".absent"; }, ""},
        {"MarkerIsFolder", [](Install& i) { i.check.marker_name = "dir"; i.os.add_dir(u"C:\\Tarvo\\LCkapta\\dir"); }, ""},
        {"MarkerUnreadable", [](Install& i) { i.fail_reads(); },
         "failed to read marker " + marker_text + ": Access is denied. (os error 5)"},
        {"MarkerNotUtf8", [](Install& i) { i.replace("com.lc-kapta", "com.lc-\xE9"); },
         "failed to read marker " + marker_text + ": stream did not contain valid UTF-8"},
        {"LineWithoutEqualsIgnored", [](Install& i) { i.replace("# written", "junk\n# written"); }, ""},
        {"Empty", [](Install& i) { i.marker(""); }, "install marker is missing bundle_id"},
        {"OnlyComments", [](Install& i) { i.marker("# a\n#b=c\n"); }, "install marker is missing bundle_id"},
        {"KeyInOtherCase", [](Install& i) { i.replace("bundle_id", "Bundle_ID"); }, "install marker is missing bundle_id"},
        {"BomHidesFirstKey", [](Install& i) { i.marker(bom + good_marker.substr(good_marker.find("bundle_id"))); },
         "install marker is missing bundle_id"},
        {"ValueInOtherCase", [](Install& i) { i.replace("com.lc-kapta", "COM.LC-KAPTA"); }, ""},
        {"HelperInOtherCase", [](Install& i) { i.replace("tarvo-untarvo.exe", "TARVO-UNTARVO.EXE"); }, ""},
        {"ValueDiffers", [](Install& i) { i.replace("app_folder=LCkapta", "app_folder=LCkaptaX"); },
         "unexpected value for app_folder: expected LCkapta, got LCkaptaX"},
        {"SecondOccurrenceCompared", [](Install& i) { i.replace("uninstaller=Zudeded2026.exe", "uninstaller=Zudeded2026.exe\nuninstaller=Un.exe"); },
         "unexpected value for uninstaller: expected Zudeded2026.exe, got Un.exe"},
        {"OptionWithTrailingSpace", [](Install& i) { i.check.bundle_id = "com.lc-kapta "; i.replace("kapta\n", "kapta \n"); },
         "unexpected value for bundle_id: expected com.lc-kapta , got com.lc-kapta"},
    };
    check_cases(Generation::lenient, cases, [](const LayoutCase& c) {
        const std::string legacy = "install marker missing; using legacy layout validation: C:\\Tarvo\\LCkapta\\";
        const std::string name = c.name;
        if (name == "MarkerMissing") return std::vector<std::string>{legacy + ".absent"};
        if (name == "MarkerIsFolder") return std::vector<std::string>{legacy + "dir"};
        return std::vector<std::string>{};
    });
}

TEST(ValidateLayout, Strict) {
    const std::vector<LayoutCase> cases = {
        {"Agrees", [](Install&) {}, ""},
        {"MainExeMissingOnlyLogged", [](Install& i) { i.check.main_exe = u"C:\\Tarvo\\LCkapta\\other.exe"; }, ""},
        {"MarkerMissing", [](Install& i) { i.os.delete_file(marker_path); }, "install marker is missing: " + marker_text},
        {"MarkerIsFolder", [](Install& i) { i.check.marker_name = "dir"; i.os.add_dir(u"C:\\Tarvo\\LCkapta\\dir"); },
         "install marker is missing: C:\\Tarvo\\LCkapta\\dir"},
        {"MarkerUnreadable", [](Install& i) { i.fail_reads(); },
         "failed to read " + marker_text + ": Access is denied. (os error 5)"},
        {"MarkerNotUtf8", [](Install& i) { i.replace("com.lc-kapta", "com.lc-\xE9"); },
         "failed to read " + marker_text + ": stream did not contain valid UTF-8"},
        {"LineWithoutEquals", [](Install& i) { i.replace("# written", "  junk line \t\n# written"); },
         "invalid metadata line in " + marker_text + ": junk line"},
        {"BomSpoilsComment", [](Install& i) { i.marker(bom + good_marker); },
         "invalid metadata line in " + marker_text + ": " + bom + "# written by the installer"},
        {"Empty", [](Install& i) { i.marker(""); }, "missing key bundle_id"},
        {"KeyInOtherCase", [](Install& i) { i.replace("bundle_id", "Bundle_ID"); }, "missing key bundle_id"},
        {"ValueInOtherCase", [](Install& i) { i.replace("com.lc-kapta", "COM.lc-kapta"); },
         "unexpected bundle_id: expected com.lc-kapta, got COM.lc-kapta"},
        {"HelperInOtherCase", [](Install& i) { i.replace("tarvo-untarvo.exe", "TARVO-UNTARVO.EXE"); },
         "unexpected helper_binary: expected tarvo-untarvo.exe, got TARVO-UNTARVO.EXE"},
        {"HelperRuleForgivesHelperCase",
         [](Install& i) { i.check.helper_rule = true; i.replace("tarvo-untarvo.exe", "TARVO-UNTARVO.EXE"); }, ""},
        {"HelperRuleOnlyForHelper",
         [](Install& i) { i.check.helper_rule = true; i.replace("main_binary=lc-kapta.exe", "main_binary=LC-KAPTA.exe"); },
         "unexpected main_binary: expected lc-kapta.exe, got LC-KAPTA.exe"},
        {"SpacesAroundEquals", [](Install& i) { i.replace("app_folder=LCkapta", "  app_folder  =  LCkapta\r"); }, ""},
    };
    check_cases(Generation::strict, cases, [](const LayoutCase& c) {
        std::vector<std::string> lines = {"main executable present: C:\\Tarvo\\LCkapta\\lc-kapta.exe",
                                          "application icon present: C:\\Tarvo\\LCkapta\\icon.ico",
                                          "uninstaller present: C:\\Tarvo\\Zudeded2026.exe"};
        if (std::string_view(c.name) == "MainExeMissingOnlyLogged")
            lines[0] = "main executable missing, continuing: C:\\Tarvo\\LCkapta\\other.exe";
        if (c.error.empty()) lines.push_back("installation validation passed");
        return lines;
    });
}

TEST(ValidateLayout, StrictPresenceReport) {
    Install install(Generation::strict);
    install.os.delete_file(u"C:\\Tarvo\\LCkapta\\icon.ico");
    install.os.delete_file(install.check.main_exe);
    install.os.add_dir(install.check.main_exe);
    ASSERT_TRUE(install.run().has_value());
    EXPECT_EQ(install.log(), (std::vector<std::string>{
                                 "main executable missing, continuing: C:\\Tarvo\\LCkapta\\lc-kapta.exe",
                                 "application icon missing, continuing: C:\\Tarvo\\LCkapta\\icon.ico",
                                 "uninstaller present: C:\\Tarvo\\Zudeded2026.exe",
                                 "installation validation passed",
                             }));
}

}  // namespace
}  // namespace tu
