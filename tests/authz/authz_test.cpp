// The caller check with real processes: a launcher copied under the uninstaller's names
// starts the probe, which runs the real authorize_caller over the Win32 platform, and the
// probe's log shows the parent lines and the verdict. Every case runs for variants A, B, C.
#include <gtest/gtest.h>

#include <array>
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

    static PString staged_probe(const Scene& scene, PStringView name = u"tarvo-untarvo.exe") {
        return scene.place_probe(join(join(scene.temp_side(), u"stage"), name));
    }
    static PString installed_uninstaller(const Scene& scene, PStringView name = u"Zudeded2026.exe") {
        return scene.place_launcher(join(scene.install_dir(), name));
    }
    // Where NSIS puts the copy it runs from: a folder of its own inside the temp folder.
    static PString temporary_copy(const Scene& scene, PStringView name = u"Un.exe") {
        return scene.place_launcher(join(join(scene.temp_side(), u"~nsu1.tmp"), name));
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

    void expect_pass(const Outcome& outcome, PStringView probe, PStringView launcher, PStringView claimed,
                     bool pid_given = true) const {
        std::vector<std::string> expected = parent_lines(outcome, probe, launcher, claimed);
        if (long_form() && !pid_given) expected.push_back("parent_pid_argument=not-provided");
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

TEST_P(AuthzProcesses, InstalledUninstallerDirectlyInTheInstallDirectoryIsAccepted) {
    for (const PStringView name : {u"Zudeded2026.exe", u"ZUDEDED2026.EXE"}) {
        SCOPED_TRACE(utf8(name));
        Scene scene;
        const PString probe = staged_probe(scene);
        const PString launcher = installed_uninstaller(scene, name);
        expect_pass(scene.run(variant(), launcher, probe), probe, launcher, launcher);
    }
}

TEST_P(AuthzProcesses, TemporaryCopyInASubfolderOfTempIsAccepted) {
    for (const PStringView name : {u"Un.exe", u"UN.EXE", u"un.exe"}) {
        SCOPED_TRACE(utf8(name));
        Scene scene;
        const PString probe = staged_probe(scene);
        const PString launcher = temporary_copy(scene, name);
        expect_pass(scene.run(variant(), launcher, probe), probe, launcher, launcher);
    }
}

TEST_P(AuthzProcesses, MissingParentPidIsNotedByTheLongFormsAndPasses) {
    Scene scene;
    const PString probe = staged_probe(scene);
    const PString launcher = installed_uninstaller(scene);
    expect_pass(scene.run(variant(), launcher, probe, {u"--no-pid"}), probe, launcher, launcher, false);
}

TEST_P(AuthzProcesses, OtherNameBesideTheTemporaryCopyIsRefused) {
    Scene scene;
    const PString probe = staged_probe(scene);
    const PString launcher = temporary_copy(scene, u"Au_Un.exe");
    const std::string path = utf8(launcher);
    expect_refusal(scene.run(variant(), launcher, probe), probe, launcher, launcher,
                   pick(variant(), {"unexpected parent executable: Au_Un.exe",
                                    "unexpected parent executable name: " + path,
                                    "unexpected parent executable name: " + path}));
}

TEST_P(AuthzProcesses, TemporaryCopyNameInsideTheInstallDirectoryIsRefused) {
    Scene scene;
    const PString probe = staged_probe(scene);
    const PString launcher = installed_uninstaller(scene, u"Un.exe");
    const std::string path = utf8(launcher);
    expect_refusal(scene.run(variant(), launcher, probe), probe, launcher, launcher,
                   pick(variant(), {"temporary NSIS parent is outside TEMP",
                                    "unexpected NSIS parent path outside temp: " + path,
                                    "unexpected NSIS parent path outside temp: " + path}));
}

TEST_P(AuthzProcesses, InstalledUninstallerOneFolderDeeperIsRefused) {
    Scene scene;
    const PString probe = staged_probe(scene);
    const PString launcher = scene.place_launcher(join(scene.install_dir(), u"sub\\Zudeded2026.exe"));
    const std::string mismatch = "unexpected uninstaller path: expected " +
                                 utf8(join(scene.install_dir(), u"Zudeded2026.exe")) + ", got " + utf8(launcher);
    expect_refusal(scene.run(variant(), launcher, probe), probe, launcher, launcher,
                   pick(variant(), {"uninstaller parent is outside the install root", mismatch, mismatch}));
}

TEST_P(AuthzProcesses, WrongParentPidIsRefused) {
    Scene scene;
    const PString probe = staged_probe(scene);
    const PString launcher = installed_uninstaller(scene);
    const Outcome outcome = scene.run(variant(), launcher, probe, {u"--wrong-pid"});
    expect_refusal(outcome, probe, launcher, launcher,
                   "helper parent pid mismatch: expected " + std::to_string(outcome.launcher_pid + 4) + ", got " +
                       std::to_string(outcome.launcher_pid));
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

TEST_P(AuthzProcesses, HelperOutOfPlaceOrMisnamedIsRefusedInTheVariantsOrder) {
    // Variant A tests the name first, B the application directory first, C both locations
    // before the name; the name is compared case-sensitively although Windows is not.
    enum class Where { stage, app_dir, install_dir };
    struct Case {
        const char* what;
        Where where;
        PStringView name;
        std::array<int, 3> failure;  // for A, B, C: 0 the name, 1 application directory, 2 install tree
    };
    const Case cases[] = {
        {"misnamed, staged", Where::stage, u"Tarvo-Untarvo.exe", {0, 0, 0}},
        {"in the application directory", Where::app_dir, u"tarvo-untarvo.exe", {1, 1, 1}},
        {"in the install directory", Where::install_dir, u"tarvo-untarvo.exe", {2, 2, 2}},
        {"misnamed, in the application directory", Where::app_dir, u"Tarvo-Untarvo.exe", {0, 1, 1}},
        {"misnamed, in the install directory", Where::install_dir, u"Tarvo-Untarvo.exe", {0, 0, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene;
        const PString launcher = installed_uninstaller(scene);
        PString probe;
        switch (c.where) {
        case Where::stage: probe = staged_probe(scene, c.name); break;
        case Where::app_dir: probe = scene.place_probe(join(scene.app_dir(variant()), c.name)); break;
        case Where::install_dir: probe = scene.place_probe(join(scene.install_dir(), c.name)); break;
        }
        const std::string helper = utf8(probe);
        const PerVariant messages[] = {
            {"unexpected helper executable: " + helper, "unexpected helper executable name: " + helper,
             "unexpected helper executable name: " + helper},
            {"helper must run from its staged temporary copy",
             "helper must not run from installed application directory: " + helper,
             "helper must run from NSIS temp/stage, not installed tree: " + helper},
            {"helper must run from its staged temporary copy",
             "helper must not run from the installed application tree: " + helper,
             "helper must run from NSIS temp/stage, not installed tree: " + helper},
        };
        const int failure = c.failure[static_cast<std::size_t>(variant())];
        expect_refusal(scene.run(variant(), launcher, probe), probe, launcher, launcher,
                       pick(variant(), messages[failure]));
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
    // '/', ".." and short names, on real files.
    {
        SCOPED_TRACE("installed uninstaller: case, '/' and '..'");
        Scene scene;
        const PString probe = staged_probe(scene);
        const PString launcher = installed_uninstaller(scene);
        scene.make_dir(join(scene.install_dir(), u"Sub"));
        const PString claimed = respell(join(scene.install_dir(), u"Sub\\..\\Zudeded2026.exe"));
        expect_pass(scene.run(variant(), launcher, probe, {u"--claim-path", claimed}), probe, launcher, claimed);
    }
    {
        SCOPED_TRACE("temporary copy: case, '/' and '..'");
        Scene scene;
        const PString probe = staged_probe(scene);
        const PString launcher = temporary_copy(scene);
        scene.make_dir(join(scene.temp_side(), u"~nsu1.tmp\\x"));
        const PString claimed = respell(join(scene.temp_side(), u"~nsu1.tmp\\x\\..\\Un.exe"));
        expect_pass(scene.run(variant(), launcher, probe, {u"--claim-path", claimed}), probe, launcher, claimed);
    }
    {
        SCOPED_TRACE("temporary copy: case of letters outside ASCII");
        // Only the final name makes these one path: the comparison itself folds A-Z only.
        Scene scene;
        const PString probe = staged_probe(scene);
        const PString launcher = scene.place_launcher(join(scene.temp_side(), u"V\u00FDb\u011Br \u010C\\Un.exe"));
        const PString claimed = join(scene.temp_side(), u"V\u00DDB\u011AR \u010D\\Un.exe");
        expect_pass(scene.run(variant(), launcher, probe, {u"--claim-path", claimed}), probe, launcher, claimed);
    }
    {
        SCOPED_TRACE("installed uninstaller in its install directory spelled by the short name");
        Scene scene;
        const PString probe = staged_probe(scene);
        const PString launcher = installed_uninstaller(scene);
        const auto folder = short_name(scene.install_dir());
        ASSERT_TRUE(folder.has_value()) << "no short name for " << utf8(scene.install_dir());
        const PString claimed = join(*folder, u"Zudeded2026.exe");
        expect_pass(scene.run(variant(), launcher, probe, {u"--claim-path", claimed}), probe, launcher, claimed);
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
