#include "safety/authorize.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "app/run_log.h"
#include "cli/run_request.h"
#include "platform/fake/fake_platform.h"
#include "platform/text.h"

namespace tu {
namespace {

constexpr std::uint32_t parent_pid = 100;
const PString install_dir = u"C:\\Tarvo";
const PString app_dir = u"C:\\Tarvo\\LCKaptaO";
const PString uninstaller = u"C:\\Tarvo\\Zudeded2026.exe";
const PString log_path = u"C:\\logs\\run.log";

// A staged helper started by the installed uninstaller, with every option as it should be.
struct World {
    fake::FakePlatform os;
    RunRequest request;

    World() {
        os.add_dir(app_dir);
        os.add_file(uninstaller);
        os.add_file(os.module);
        os.messages[5] = "Access is denied.";
        os.processes = {{os.own_pid, parent_pid, os.module}, {parent_pid, 1, uninstaller}};
        request.uninstaller = "Zudeded2026.exe";
        request.parent_pid = parent_pid;
        request.parent_path = uninstaller;
    }
    // The parent runs from `path`, and the command line names it truthfully.
    void parent_at(PStringView path) {
        os.add_file(path);
        os.processes[1].image = PString(path);
        request.parent_path = PString(path);
    }
    Result<> run(AuthVariant variant) {
        const CallerClaim claim{request.parent_pid, request.parent_path, request.uninstaller};
        return authorize_caller(os, variant, install_dir, app_dir, claim, RunLog(os, log_path, LogWriter::create_dirs));
    }
    std::vector<std::string> log() const { return os.exists(log_path) ? os.lines(log_path) : std::vector<std::string>{}; }
    // The four lines every variant writes once it knows its parent.
    std::vector<std::string> parent_lines(AuthVariant variant) {
        const bool a = variant == AuthVariant::A;
        return {"helper_exe=" + to_utf8(os.module),
                std::string(a ? "parent_pid=" : "actual_parent_pid=") + std::to_string(parent_pid),
                std::string(a ? "actual_parent=" : "actual_parent_path=") + to_utf8(os.processes[1].image),
                std::string(a ? "expected_parent=" : "expected_parent_path=") + to_utf8(request.parent_path)};
    }
};

const char* name_of(AuthVariant variant) {
    return variant == AuthVariant::A ? "A" : variant == AuthVariant::B ? "B" : "C";
}

auto fault_on(fake::Op op, std::uint32_t code) {
    return [op, code](fake::Op asked, PStringView) -> std::optional<std::uint32_t> {
        return asked == op ? std::optional(code) : std::nullopt;
    };
}

using Messages = std::array<std::string, 3>;  // variants A, B, C; empty: the variant passes
Messages all(const std::string& message) { return {message, message, message}; }
Messages a_bc(const std::string& a, const std::string& bc) { return {a, bc, bc}; }

struct Refusal {
    const char* name;
    std::function<void(World&)> setup;
    Messages messages;
    bool parent_logged;  // the failure comes after the parent lines are written
};

const std::string temp = "C:\\Users\\tester\\AppData\\Local\\Temp\\";
const std::string staged = temp + "stage\\";
const std::string denied = "Access is denied.";

const Refusal refusals[] = {
    {"ExecutablePathUnavailable", [](World& w) { w.os.fault = fault_on(fake::Op::module_path, 5); },
     a_bc("failed to get helper path: " + denied + " (os error 5)",
          "failed to get helper executable path: " + denied + " (os error 5)"),
     false},
    {"WorkingDirectoryUnreadable",
     [](World& w) {
         w.request.parent_path = u"Zudeded2026.exe";
         w.os.fault = fault_on(fake::Op::current_dir, 5);
     },
     all("failed to read current dir: " + denied + " (os error 5)"), false},
    {"SnapshotFails", [](World& w) { w.os.parent_failure = ParentLookupError{ParentLookupStep::snapshot, {5, "x"}}; },
     all("failed to create process snapshot: " + denied + " (0x80070005)"), false},
    // No message text for 122 in the fake: the status form is then the code alone.
    {"FirstEntryUnreadable",
     [](World& w) { w.os.parent_failure = ParentLookupError{ParentLookupStep::first_entry, {122, "x"}}; },
     a_bc("failed to read process snapshot: 0x8007007A", "failed to read first process entry: 0x8007007A"), false},
    {"OwnProcessNotInSnapshot", [](World& w) { w.os.processes.erase(w.os.processes.begin()); },
     a_bc("failed to determine parent process for 4242", "failed to determine parent process for pid 4242"), false},
    {"ParentCannotBeOpened",
     [](World& w) { w.os.image_failure[parent_pid] = ImageQueryError{ImageQueryStep::open, {5, "x"}}; },
     all("failed to open process 100: " + denied + " (0x80070005)"), false},
    {"ImagePathUnreadable",
     [](World& w) { w.os.image_failure[parent_pid] = ImageQueryError{ImageQueryStep::query, {0x1001F, "x"}}; },
     a_bc("failed to read process image path: 0x8007001F", "failed to read process image path for pid 100: 0x8007001F"),
     false},
    {"HelperRenamedInCase", [](World& w) { w.os.module = to_utf16(staged + "Tarvo-Untarvo.exe"); },
     a_bc("unexpected helper executable: " + staged + "Tarvo-Untarvo.exe",
          "unexpected helper executable name: " + staged + "Tarvo-Untarvo.exe"),
     true},
    {"HelperNameNotUnicode", [](World& w) { w.os.module = to_utf16(staged) + u"tarvo-untarvo\xD800.exe"; },
     a_bc("unexpected helper executable: " + staged + "tarvo-untarvo\xEF\xBF\xBD.exe",
          "unexpected helper executable name: " + staged + "tarvo-untarvo\xEF\xBF\xBD.exe"),
     true},
    {"WrongNameInsideAppDir", [](World& w) { w.os.module = u"C:\\Tarvo\\LCKaptaO\\helper.exe"; },
     {"unexpected helper executable: C:\\Tarvo\\LCKaptaO\\helper.exe",
      "helper must not run from installed application directory: C:\\Tarvo\\LCKaptaO\\helper.exe",
      "helper must run from NSIS temp/stage, not installed tree: C:\\Tarvo\\LCKaptaO\\helper.exe"},
     true},
    {"InsideAppDir", [](World& w) { w.os.module = u"c:/tarvo/lckaptao/tarvo-untarvo.exe"; },
     {"helper must run from its staged temporary copy",
      "helper must not run from installed application directory: c:/tarvo/lckaptao/tarvo-untarvo.exe",
      "helper must run from NSIS temp/stage, not installed tree: c:/tarvo/lckaptao/tarvo-untarvo.exe"},
     true},
    {"WrongNameInsideInstallDir", [](World& w) { w.os.module = u"C:\\Tarvo\\helper.exe"; },
     {"unexpected helper executable: C:\\Tarvo\\helper.exe", "unexpected helper executable name: C:\\Tarvo\\helper.exe",
      "helper must run from NSIS temp/stage, not installed tree: C:\\Tarvo\\helper.exe"},
     true},
    {"InsideInstallDir", [](World& w) { w.os.module = u"C:\\Tarvo\\tmp\\tarvo-untarvo.exe"; },
     {"helper must run from its staged temporary copy",
      "helper must not run from the installed application tree: C:\\Tarvo\\tmp\\tarvo-untarvo.exe",
      "helper must run from NSIS temp/stage, not installed tree: C:\\Tarvo\\tmp\\tarvo-untarvo.exe"},
     true},
    {"ParentPidDiffers", [](World& w) { w.request.parent_pid = 99; },
     all("helper parent pid mismatch: expected 99, got 100"), true},
    {"StartedByAnotherProgram", [](World& w) { w.os.processes[1].image = u"C:\\Windows\\explorer.exe"; },
     all("helper parent process mismatch: expected C:\\Tarvo\\Zudeded2026.exe, got C:\\Windows\\explorer.exe"), true},
    {"ParentPathWithoutName",
     [](World& w) {
         w.os.processes[1].image = u"C:\\";
         w.request.parent_path = u"C:\\";
     },
     a_bc("parent path has no file name", "parent executable path has no file name: C:\\"), true},
    {"UninstallerOneFolderDeeper", [](World& w) { w.parent_at(u"C:\\Tarvo\\sub\\Zudeded2026.exe"); },
     a_bc("uninstaller parent is outside the install root",
          "unexpected uninstaller path: expected C:\\Tarvo\\Zudeded2026.exe, got C:\\Tarvo\\sub\\Zudeded2026.exe"),
     true},
    {"TemporaryCopyOutsideTemp", [](World& w) { w.parent_at(u"C:\\Tarvo\\Un.exe"); },
     a_bc("temporary NSIS parent is outside TEMP", "unexpected NSIS parent path outside temp: C:\\Tarvo\\Un.exe"), true},
    {"NameMerelyEndingInUn", [](World& w) { w.parent_at(to_utf16(temp + "~nsu1.tmp\\Au_Un.exe")); },
     a_bc("unexpected parent executable: Au_Un.exe", "unexpected parent executable name: " + temp + "~nsu1.tmp\\Au_Un.exe"),
     true},
    // Variant A does not read --uninstaller; B builds the reference path from it, C also
    // takes the name rule from it.
    {"UninstallerOptionNamesAnotherFile", [](World& w) { w.request.uninstaller = "Other.exe"; },
     {"", "unexpected uninstaller path: expected C:\\Tarvo\\Other.exe, got C:\\Tarvo\\Zudeded2026.exe",
      "unexpected parent executable name: C:\\Tarvo\\Zudeded2026.exe"},
     true},
    {"TempDirUnreadable",
     [](World& w) {
         w.parent_at(to_utf16(temp + "~nsu1.tmp\\Un.exe"));
         w.os.fault = fault_on(fake::Op::temp_dir, 5);
     },
     all("failed to read temp dir: " + denied + " (os error 5)"), true},
};

// Test names say which case failed; the parameters themselves print as their names.
void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

class AuthorizeRefusal : public ::testing::TestWithParam<std::tuple<Refusal, AuthVariant>> {};

TEST_P(AuthorizeRefusal, MessageAndLogLinesBeforeIt) {
    const auto& [refusal, variant] = GetParam();
    World w;
    refusal.setup(w);
    const std::string& expected = refusal.messages[static_cast<int>(variant)];
    const auto result = w.run(variant);
    if (expected.empty()) {
        EXPECT_TRUE(result.has_value()) << result.error();
        return;
    }
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error(), expected);
    EXPECT_EQ(w.log(), refusal.parent_logged ? w.parent_lines(variant) : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(, AuthorizeRefusal,
                         ::testing::Combine(::testing::ValuesIn(refusals),
                                            ::testing::Values(AuthVariant::A, AuthVariant::B, AuthVariant::C)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + name_of(std::get<1>(info.param));
                         });

struct Acceptance {
    const char* name;
    std::function<void(World&)> setup;
};

const Acceptance acceptances[] = {
    {"InstalledUninstaller", [](World&) {}},
    {"InstalledUninstallerInUpperCase", [](World& w) { w.parent_at(u"C:\\Tarvo\\ZUDEDED2026.EXE"); }},
    {"ParentPathSpelledDifferently", [](World& w) { w.request.parent_path = u"c:/tarvo//zudeded2026.exe"; }},
    {"UninstallerOptionInOtherCase", [](World& w) { w.request.uninstaller = "ZUDEDED2026.exe"; }},
    {"TemporaryCopy", [](World& w) { w.parent_at(to_utf16(temp + "~nsu1.tmp\\Un.exe")); }},
    {"TemporaryCopyInUpperCase", [](World& w) { w.parent_at(to_utf16(staged + "UN.EXE")); }},
    {"TemporaryCopyInLowerCase", [](World& w) { w.parent_at(to_utf16(staged + "un.exe")); }},
};

void PrintTo(const Acceptance& acceptance, std::ostream* out) { *out << acceptance.name; }

class AuthorizeAcceptance : public ::testing::TestWithParam<std::tuple<Acceptance, AuthVariant>> {};

TEST_P(AuthorizeAcceptance, PassesAndSaysSoWhereTheVariantDoes) {
    const auto& [acceptance, variant] = GetParam();
    World w;
    acceptance.setup(w);
    const auto result = w.run(variant);
    ASSERT_TRUE(result.has_value()) << result.error();
    auto expected = w.parent_lines(variant);
    if (variant != AuthVariant::A) expected.push_back("authorization check passed");
    EXPECT_EQ(w.log(), expected);
}

INSTANTIATE_TEST_SUITE_P(, AuthorizeAcceptance,
                         ::testing::Combine(::testing::ValuesIn(acceptances),
                                            ::testing::Values(AuthVariant::A, AuthVariant::B, AuthVariant::C)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + name_of(std::get<1>(info.param));
                         });

TEST(Authorize, MissingParentPidIsNotedByTheLongVariantsOnly) {
    for (const AuthVariant variant : {AuthVariant::A, AuthVariant::B, AuthVariant::C}) {
        SCOPED_TRACE(name_of(variant));
        World w;
        w.request.parent_pid.reset();
        w.parent_at(u"C:\\Tarvo\\Un.exe");  // refused after the pid step
        ASSERT_FALSE(w.run(variant).has_value());
        auto expected = w.parent_lines(variant);
        if (variant != AuthVariant::A) expected.push_back("parent_pid_argument=not-provided");
        EXPECT_EQ(w.log(), expected);
    }
}

}  // namespace
}  // namespace tu
