#include "safety/layout.h"

#include <algorithm>
#include <array>

#include "platform/error_text.h"
#include "platform/text.h"
#include "platform/winpath.h"
#include "safety/fixed_names.h"
#include "safety/paths.h"

namespace tu {
namespace {

// One required marker key and the value the command line (or the helper itself) expects.
struct RequiredKey {
    std::string_view key;
    std::string_view expected;
};

// In the order they are tested: the first failing key is the one reported.
std::array<RequiredKey, 5> required_keys(const LayoutCheck& check) {
    return {{
        {"bundle_id", check.bundle_id},
        {"app_folder", check.app_folder},
        {"main_binary", check.main_binary},
        {"helper_binary", fixed_names::helper},
        {"uninstaller", check.uninstaller_name},
    }};
}

// The marker read whole as UTF-8 text, or the message of why it cannot be.
Result<std::string> read_marker_text(Platform& os, PStringView marker) {
    auto bytes = os.read_file(marker);
    if (!bytes) return fail(os_error_text(os, bytes.error()));
    if (!is_valid_utf8(*bytes)) return fail("stream did not contain valid UTF-8");
    return std::move(*bytes);
}

bool value_passes(const LayoutCheck& check, const RequiredKey& required, std::string_view actual) {
    if (check.generation == Generation::lenient) return ascii_iequals(actual, required.expected);
    // The senate precinct profile takes the helper's name in any ASCII letter case, for this
    // one key only; every other key, and every other profile, stays byte-exact.
    if (check.helper_rule && required.key == "helper_binary" && ascii_iequals(actual, fixed_names::helper)) return true;
    return actual == required.expected;
}

// The application folder, judged by where it really leads (links and junctions resolved),
// lies below the install directory and is not the install directory itself. Yields it
// approved for its deletion.
Result<ApprovedPath> check_app_dir_place(Platform& os, const LayoutCheck& check) {
    auto inside = ensure_within(os, check.install_dir, check.app_dir);
    if (!inside) return inside;
    auto same = same_path(os, check.install_dir, check.app_dir);
    if (!same) return fail(std::move(same.error()));
    // Removing the application folder must never mean removing the whole install directory.
    if (*same) return fail("application directory must not equal install directory");
    return inside;
}

Result<ApprovedPath> validate_lenient(Platform& os, const LayoutCheck& check, PStringView marker,
                                      const LineSink& log) {
    auto placed = check_app_dir_place(os, check);
    if (!placed) return placed;
    if (!is_a_file(os, check.main_exe)) return fail("main executable is missing: " + to_utf8(check.main_exe));

    // Installations made before the marker existed are still removable on the layout alone.
    if (!is_a_file(os, marker)) {
        log.line("install marker missing; using legacy layout validation: " + to_utf8(marker));
        return placed;
    }
    auto text = read_marker_text(os, marker);
    if (!text) return fail("failed to read marker " + to_utf8(marker) + ": " + text.error());
    const Marker values = *parse_marker(*text, false);

    for (const RequiredKey& required : required_keys(check)) {
        const std::string* found = marker_value(values, required.key);
        if (!found) return fail("install marker is missing " + std::string(required.key));
        if (!value_passes(check, required, *found))
            return fail("unexpected value for " + std::string(required.key) + ": expected " +
                        std::string(required.expected) + ", got " + *found);
    }
    return placed;
}

Result<ApprovedPath> validate_strict(Platform& os, const LayoutCheck& check, PStringView marker,
                                     const LineSink& log) {
    // The folder name is pinned to the profile's own, but a junction or link of that name can
    // lead anywhere: out of the installation, where selected mode would then delete someone
    // else's precinct folders and exports, or back onto the install directory itself. The
    // same two tests as the lenient generation, before anything is read through the folder.
    auto placed = check_app_dir_place(os, check);
    if (!placed) return placed;

    // A report for whoever reads the log afterwards; what is missing here does not stop the
    // removal, the marker below decides.
    const PString icon = winpath::join(check.app_dir, u"icon.ico");
    const std::array<std::pair<std::string_view, PStringView>, 3> present{{
        {"main executable", check.main_exe},
        {"application icon", icon},
        {"uninstaller", check.uninstaller},
    }};
    for (const auto& [label, path] : present) {
        const char* state = is_a_file(os, path) ? " present: " : " missing, continuing: ";
        log.line(std::string(label) + state + to_utf8(path));
    }

    const std::string marker_text = to_utf8(marker);
    if (!is_a_file(os, marker)) return fail("install marker is missing: " + marker_text);
    auto text = read_marker_text(os, marker);
    if (!text) return fail("failed to read " + marker_text + ": " + text.error());
    auto values = parse_marker(*text, true);
    if (!values) return fail("invalid metadata line in " + marker_text + ": " + values.error().line);

    for (const RequiredKey& required : required_keys(check)) {
        const std::string* found = marker_value(*values, required.key);
        if (!found) return fail("missing key " + std::string(required.key));
        if (!value_passes(check, required, *found))
            return fail("unexpected " + std::string(required.key) + ": expected " + std::string(required.expected) +
                        ", got " + *found);
    }
    log.line("installation validation passed");
    return placed;
}

}  // namespace

std::expected<Marker, MarkerLineError> parse_marker(std::string_view text, bool reject_lines_without_equals) {
    Marker values;
    while (!text.empty()) {
        // Lines end at LF; the CR of a CR LF ending is white space and goes with the trim.
        // A byte-order mark is not white space: it stays part of the first line.
        const std::size_t end = text.find('\n');
        const std::string_view line = trim_white_space(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);

        if (line.empty() || line.front() == '#') continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            if (reject_lines_without_equals) return std::unexpected(MarkerLineError{std::string(line)});
            continue;
        }
        // The last occurrence of a key wins.
        const std::string_view key = trim_white_space(line.substr(0, equals));
        std::string value(trim_white_space(line.substr(equals + 1)));
        const auto known = std::find_if(values.begin(), values.end(), [&](const auto& entry) { return entry.first == key; });
        if (known != values.end()) known->second = std::move(value);
        else values.emplace_back(std::string(key), std::move(value));
    }
    return values;
}

const std::string* marker_value(const Marker& marker, std::string_view key) {
    for (const auto& [name, value] : marker)
        if (name == key) return &value;
    return nullptr;
}

bool is_a_file(Platform& os, PStringView path) {
    // Not following links: a link or junction named like the file is not the file.
    const auto info = os.file_info(path, false);
    return info && info->regular_file();
}

Result<ApprovedPath> validate_layout(Platform& os, const LayoutCheck& check, const LineSink& log) {
    const PString marker = winpath::join(check.app_dir, to_utf16(check.marker_name));
    if (check.generation == Generation::lenient) return validate_lenient(os, check, marker, log);
    return validate_strict(os, check, marker, log);
}

}  // namespace tu
