// The caller check with real processes: a launcher copied under the uninstaller's names
// starts the probe, which runs the real authorize_caller over the Win32 platform, and the
// probe's log shows the parent lines and the verdict. Every case runs for variants A, B, C.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "authz_scene.h"
#include "platform/text.h"
#include "platform/winpath.h"

namespace tu::authz_test {
namespace {

using winpath::join;

class AuthzProcesses : public ::testing::TestWithParam<AuthVariant> {
protected:
    AuthVariant variant() const { return GetParam(); }
    bool long_form() const { return variant() != AuthVariant::A; }

    static PString staged_probe(const Scene& scene) {
        return scene.place_probe(join(scene.temp_side(), u"stage\\tarvo-untarvo.exe"));
    }
    static PString installed_uninstaller(const Scene& scene) {
        return scene.place_launcher(join(scene.install_dir(), u"Zudeded2026.exe"));
    }
    // Where NSIS puts the copy it runs from: a folder of its own inside the temp folder.
    static PString temporary_copy(const Scene& scene) {
        return scene.place_launcher(join(scene.temp_side(), u"~nsu1.tmp\\Un.exe"));
    }

    // The four lines written before any verdict: the helper, the real parent's id and path,
    // and the parent the command line claims.
    std::vector<std::string> parent_lines(const Outcome& outcome, PStringView probe, PStringView launcher,
                                          PStringView claimed) const {
        return {"helper_exe=" + utf8(probe),
                pick(variant(), {"parent_pid=", "actual_parent_pid=", "actual_parent_pid="}) +
                    std::to_string(outcome.launcher_pid),
                pick(variant(), {"actual_parent=", "actual_parent_path=", "actual_parent_path="}) + utf8(launcher),
                pick(variant(), {"expected_parent=", "expected_parent_path=", "expected_parent_path="}) +
                    utf8(claimed)};
    }

    void expect_pass(const Outcome& outcome, PStringView probe, PStringView launcher, PStringView claimed) const {
        std::vector<std::string> expected = parent_lines(outcome, probe, launcher, claimed);
        if (long_form()) expected.push_back("authorization check passed");
        expected.push_back("PASS");
        EXPECT_EQ(outcome.lines, expected);
        EXPECT_EQ(outcome.status, 0u);
    }

    void expect_refusal(const Outcome& outcome, PStringView probe, PStringView launcher, PStringView claimed,
                        const std::string& message) const {
        std::vector<std::string> expected = parent_lines(outcome, probe, launcher, claimed);
        expected.push_back("ERROR: " + message);
        EXPECT_EQ(outcome.lines, expected);
        EXPECT_EQ(outcome.status, 1u);
    }
};

// The real parent lookup: the snapshot finds the launcher, its image path is the file that
// runs, and the staged helper reads its own path; the name rules are the unit tests' own.
TEST_P(AuthzProcesses, InstalledUninstallerOrItsTemporaryCopyIsAccepted) {
    for (const bool copy : {false, true}) {
        SCOPED_TRACE(copy ? "temporary copy" : "installed uninstaller");
        Scene scene;
        const PString probe = staged_probe(scene);
        const PString launcher = copy ? temporary_copy(scene) : installed_uninstaller(scene);
        expect_pass(scene.run(variant(), launcher, probe), probe, launcher, launcher);
    }
}

TEST_P(AuthzProcesses, ParentPathNamingAnotherProgramIsRefused) {
    // A foreign program that names a real uninstaller, and a copy of the uninstaller that
    // names another copy of the same name: the claim must be the very file that runs.
    struct Case {
        PStringView runs_as;  // inside the scene's temp side
        bool claim_installed;
    };
    for (const Case& c : {Case{u"tools\\Setup.exe", true}, Case{u"~nsu2.tmp\\Un.exe", false}}) {
        SCOPED_TRACE(utf8(c.runs_as));
        Scene scene;
        const PString probe = staged_probe(scene);
        const PString claimed = c.claim_installed ? installed_uninstaller(scene) : temporary_copy(scene);
        const PString launcher = scene.place_launcher(join(scene.temp_side(), c.runs_as));
        expect_refusal(scene.run(variant(), launcher, probe, {u"--claim-path", claimed}), probe, launcher, claimed,
                       "helper parent process mismatch: expected " + utf8(claimed) + ", got " + utf8(launcher));
    }
}

// The helper inside the installation, found there on real folders. Which test each variant
// makes first, and the name rule, are the unit tests' own.
TEST_P(AuthzProcesses, HelperInsideTheInstallationIsRefused) {
    for (const bool in_app_dir : {true, false}) {
        SCOPED_TRACE(in_app_dir ? "in the application directory" : "in the install directory");
        Scene scene;
        const PString launcher = installed_uninstaller(scene);
        const PString probe = scene.place_probe(
            join(in_app_dir ? scene.app_dir(variant()) : scene.install_dir(), u"tarvo-untarvo.exe"));
        const std::string helper = utf8(probe);
        const PerVariant in_app{"helper must run from its staged temporary copy",
                                "helper must not run from installed application directory: " + helper,
                                "helper must run from NSIS temp/stage, not installed tree: " + helper};
        const PerVariant in_install{"helper must run from its staged temporary copy",
                                    "helper must not run from the installed application tree: " + helper,
                                    "helper must run from NSIS temp/stage, not installed tree: " + helper};
        expect_refusal(scene.run(variant(), launcher, probe), probe, launcher, launcher,
                       pick(variant(), in_app_dir ? in_app : in_install));
    }
}

// The path of an existing file by its 8.3 name, or nothing when the volume keeps none.
std::optional<PString> short_name(PStringView path) {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetShortPathNameW(w(path).c_str(), buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return std::nullopt;
    const PString result(buffer, buffer + length);
    if (result == path) return std::nullopt;
    return result;
}

TEST_P(AuthzProcesses, ParentPathSpelledDifferentlyIsTheSameFile) {
    // The claim is compared by the file it names: final names see through letter case,
    // '/', ".." and short names, on real files. Each case places the launcher and returns
    // the claim, or nothing when the volume keeps no short names.
    struct Case {
        const char* what;
        std::function<std::optional<PString>(const Scene&, PString& launcher)> place;
    };
    const Case cases[] = {
        {"installed uninstaller: case, '/' and '..'",
         [](const Scene& s, PString& launcher) -> std::optional<PString> {
             launcher = installed_uninstaller(s);
             s.make_dir(join(s.install_dir(), u"Sub"));
             return respell(join(s.install_dir(), u"Sub\\..\\Zudeded2026.exe"));
         }},
        {"temporary copy: case, '/' and '..'",
         [](const Scene& s, PString& launcher) -> std::optional<PString> {
             launcher = temporary_copy(s);
             s.make_dir(join(s.temp_side(), u"~nsu1.tmp\\x"));
             return respell(join(s.temp_side(), u"~nsu1.tmp\\x\\..\\Un.exe"));
         }},
        // Only the final name makes these one path: the comparison itself folds A-Z only.
        {"temporary copy: case of letters outside ASCII",
         [](const Scene& s, PString& launcher) -> std::optional<PString> {
             launcher = s.place_launcher(join(s.temp_side(), u"V\u00FDb\u011Br \u010C\\Un.exe"));
             return join(s.temp_side(), u"V\u00DDB\u011AR \u010D\\Un.exe");
         }},
        {"installed uninstaller in its install directory spelled by the short name",
         [](const Scene& s, PString& launcher) -> std::optional<PString> {
             launcher = installed_uninstaller(s);
             const auto folder = short_name(s.install_dir());
             return folder ? std::optional(join(*folder, u"Zudeded2026.exe")) : std::nullopt;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene;
        const PString probe = staged_probe(scene);
        PString launcher;
        const auto claimed = c.place(scene, launcher);
        ASSERT_TRUE(claimed.has_value()) << "no short name for " << utf8(scene.install_dir());
        expect_pass(scene.run(variant(), launcher, probe, {u"--claim-path", *claimed}), probe, launcher, *claimed);
    }
}

TEST_P(AuthzProcesses, ParentNameIsReadFromTheClaimAsSpelled) {
    // The claim names the running uninstaller, but by its short name: the claim is the same
    // file, yet the name rules read the name as the claim spells it, so the run is refused.
    Scene scene;
    const PString probe = staged_probe(scene);
    const PString launcher = installed_uninstaller(scene);
    const auto claimed = short_name(launcher);
    ASSERT_TRUE(claimed.has_value()) << "no short name for " << utf8(launcher);
    const PString name = winpath::file_name(*claimed).value();
    ASSERT_NE(name, u"Zudeded2026.exe");
    expect_refusal(scene.run(variant(), launcher, probe, {u"--claim-path", *claimed}), probe, launcher, *claimed,
                   pick(variant(), {"unexpected parent executable: " + utf8(name),
                                    "unexpected parent executable name: " + utf8(*claimed),
                                    "unexpected parent executable name: " + utf8(*claimed)}));
}

INSTANTIATE_TEST_SUITE_P(Variants, AuthzProcesses,
                         ::testing::Values(AuthVariant::A, AuthVariant::B, AuthVariant::C),
                         [](const ::testing::TestParamInfo<AuthVariant>& info) {
                             return std::string(1, "ABC"[static_cast<int>(info.param)]);
                         });

}  // namespace
}  // namespace tu::authz_test
