// A scene for the caller check with real processes: an install directory on C: and a
// folder inside the user's temporary directory, both unique to one test and removed
// afterwards; copies of the launcher (playing the uninstaller) and of the probe (playing the
// staged helper) placed in them; and one run of launcher and probe with what they wrote.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "safety/authorize.h"

namespace tu::authz_test {

std::wstring w(PStringView text);
std::string utf8(PStringView text);
// Swaps the case of every ASCII letter and writes every '\' as '/': the same path to Windows.
PString respell(PStringView path);

// What one run left behind.
struct Outcome {
    DWORD status = ~0u;        // the launcher's, which is the probe's
    DWORD launcher_pid = 0;    // the probe's real parent
    std::vector<std::string> lines;  // the probe's log, its verdict last
};

class Scene {
public:
    Scene();
    // A scene around an install directory made by someone else, which it leaves alone
    // (an empty one: its own, as above).
    explicit Scene(PString install_dir);
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // C:\tu-authz-{pid}-{n}: never C:\Tarvo, which the end-to-end runs own.
    const PString& install_dir() const { return install_; }
    // {temp}\tu-authz-{pid}-{n}: where the uninstaller's copy and the staged helper live.
    const PString& temp_side() const { return temp_side_; }
    // The application directory the probe builds for the variant.
    PString app_dir(AuthVariant variant) const;

    PString make_dir(PStringView path) const;
    // Copies the launcher or the probe to `path`, making its folders; returns the path.
    PString place_launcher(PStringView path) const;
    PString place_probe(PStringView path) const;

    // Starts the launcher at `launcher` with `flags`, which starts the probe at `probe` for
    // the variant, and waits for both.
    Outcome run(AuthVariant variant, PStringView launcher, PStringView probe,
                const std::vector<PString>& flags = {}) const;

private:
    PString install_;
    bool owns_install_ = true;
    PString temp_side_;
    mutable unsigned runs_ = 0;
};

// The application folder name the probe is given for each variant.
PString app_folder(AuthVariant variant);

// One expected text per variant.
struct PerVariant {
    std::string a, b, c;
};
std::string pick(AuthVariant variant, const PerVariant& texts);

}  // namespace tu::authz_test
