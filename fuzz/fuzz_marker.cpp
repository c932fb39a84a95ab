// The marker parser and both validation generations: no crash, the parsed map keeps its
// promises, and validation never changes the file system.
#include <cstdlib>

#include "app/run_log.h"
#include "platform/fake/fake_platform.h"
#include "platform/text.h"
#include "safety/layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tu;
    if (size == 0) return 0;
    const bool strict = (data[0] & 1) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    if (is_valid_utf8(text)) {
        const auto marker = parse_marker(text, strict);
        if (marker) {
            for (const auto& [key, value] : *marker) {
                if (trim_white_space(key) != key || trim_white_space(value) != value) std::abort();
                if (!key.empty() && key[0] == '#') std::abort();
            }
        } else if (!strict || marker.error().line.find('=') != std::string::npos) {
            std::abort();
        }
    }

    fake::FakePlatform os;
    os.add_file(u"C:\\Tarvo\\Zudeded2026.exe");
    os.add_file(u"C:\\Tarvo\\App\\app.exe");
    os.add_file(u"C:\\Tarvo\\App\\.marker", text);
    const auto before = os.tree(u"C:\\");
    LayoutCheck check;
    check.generation = strict ? Generation::strict : Generation::lenient;
    check.marker_name = ".marker";
    check.helper_rule = (data[0] & 2) != 0;
    check.install_dir = u"C:\\Tarvo";
    check.app_dir = u"C:\\Tarvo\\App";
    check.main_exe = u"C:\\Tarvo\\App\\app.exe";
    check.uninstaller = u"C:\\Tarvo\\Zudeded2026.exe";
    check.bundle_id = "com.x";
    check.app_folder = "App";
    check.main_binary = "app.exe";
    check.uninstaller_name = "Zudeded2026.exe";
    const RunLog log(os, u"C:\\Tarvo\\logs\\run.log", LogWriter::create_dirs);
    (void)validate_layout(os, check, log);
    auto after = os.tree(u"C:\\");
    std::erase_if(after, [](const std::string& p) { return p.starts_with("C:\\Tarvo\\logs"); });
    if (after != before) std::abort();
    return 0;
}
