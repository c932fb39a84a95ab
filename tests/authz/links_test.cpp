// Containment through symbolic links on a real file system. The links are made from the
// Linux side by the authz_links fixture (links.sh), because Wine cannot make Windows links;
// Wine follows them, and the final-name query reports where they lead. A folder of the
// installation that leads outside it must be refused, however its path is spelled.
#include <gtest/gtest.h>

#include "authz_scene.h"
#include "platform/winpath.h"
#include "platform/win32/win32_platform.h"
#include "safety/paths.h"

namespace tu::authz_test {
namespace {

using winpath::join;

const PString root = u"C:\\tu-authz-links";

Platform& os() { return win32::platform(); }

class AuthzLinks : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(::GetFileAttributesW(w(root).c_str()), INVALID_FILE_ATTRIBUTES)
            << utf8(root) << " is missing: run this through ctest, whose authz_links fixture makes it";
    }
};

TEST_F(AuthzLinks, FolderLeadingOutOfItsBaseIsRefusedAndTheSameShapeWithoutALinkAccepted) {
    struct Case {
        PStringView base;
        PStringView candidate;
        bool inside;
    };
    // A refusal below holds only where the link resolves outside its base: a link that Wine
    // did not follow would be a folder inside it.
    const Case cases[] = {
        // An application folder, with and without a link.
        {u"plain", u"plain\\LCkapta", true},
        {u"linked", u"linked\\LCkapta", false},
        // Below the link: a real folder, but reached through it.
        {u"linked", u"linked\\LCkapta\\inner", false},
        // A precinct folder, with and without a link.
        {u"plain\\LCKaptaO\\Data", u"plain\\LCKaptaO\\Data\\12345", true},
        {u"linked\\LCKaptaO\\Data", u"linked\\LCKaptaO\\Data\\12345", false},
        {u"linked\\LCKaptaO", u"linked\\LCKaptaO\\Data\\12345", false},
        // A link is judged by where it leads, not by being a link; but the place its deletion
        // would act, the link itself, must lie inside too.
        {u"linked", u"linked\\alias", true},
        {u"outside", u"linked\\LCkapta", false},
    };
    for (const Case& c : cases) {
        const PString base = join(root, c.base);
        const PString candidate = join(root, c.candidate);
        SCOPED_TRACE(utf8(candidate));
        const auto verdict = ensure_within(os(), base, candidate);
        if (c.inside) {
            EXPECT_TRUE(verdict.has_value()) << verdict.error();
        } else {
            ASSERT_FALSE(verdict.has_value());
            EXPECT_EQ(verdict.error(), "unsafe path outside expected directory: " + utf8(candidate));
        }
    }
}

TEST_F(AuthzLinks, RefusalShowsTheCandidateAsSpelled) {
    // Another spelling of the linked application folder: still refused, and named as given.
    const PString candidate = respell(join(root, u"linked\\.\\LCkapta\\"));
    EXPECT_EQ(ensure_within(os(), join(root, u"linked"), candidate).error(),
              "unsafe path outside expected directory: " + utf8(candidate));
}

TEST_F(AuthzLinks, HelperStagedThroughALinkIntoTheInstallationIsRefused) {
    // The same helper, staged in a real folder and in one that leads into the installed
    // application folder: the location tests see where it really runs.
    const PString install_dir = join(root, u"installed");
    for (const AuthVariant variant : {AuthVariant::A, AuthVariant::B, AuthVariant::C}) {
        const Scene scene(install_dir);
        SCOPED_TRACE(utf8(app_folder(variant)));
        const PString launcher = scene.place_launcher(join(install_dir, u"Zudeded2026.exe"));
        const PString staged = scene.place_probe(join(root, u"realstage\\tarvo-untarvo.exe"));
        const PString linked = scene.place_probe(join(root, u"stage\\tarvo-untarvo.exe"));

        const Outcome passed = scene.run(variant, launcher, staged);
        EXPECT_EQ(passed.status, 0u);
        ASSERT_FALSE(passed.lines.empty());
        EXPECT_EQ(passed.lines.back(), "PASS");

        // The link leads into variant A's application folder, and into the install directory
        // beside the application folders of B and C.
        const Outcome refused = scene.run(variant, launcher, linked);
        const std::string helper = utf8(linked);
        EXPECT_EQ(refused.status, 1u);
        ASSERT_FALSE(refused.lines.empty());
        EXPECT_EQ(refused.lines.front(), "helper_exe=" + helper);
        EXPECT_EQ(refused.lines.back(),
                  "ERROR: " + pick(variant, {"helper must run from its staged temporary copy",
                                             "helper must not run from the installed application tree: " + helper,
                                             "helper must run from NSIS temp/stage, not installed tree: " + helper}));
    }
}

}  // namespace
}  // namespace tu::authz_test
