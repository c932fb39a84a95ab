// Process entry of tarvo-untarvo.exe: a GUI-subsystem program that opens no window.
#include "app/entry.h"
#include "platform/win32/win32_platform.h"
#include "profiles/profiles.h"

int wmain() {
    tu::Platform& os = tu::win32::platform();
    const int status = tu::run_entry(os, tu::real_profiles());
    os.exit_process(status);
    return status;
}
