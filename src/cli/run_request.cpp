#include "cli/run_request.h"

#include <array>

#include "platform/text.h"

namespace tu {
namespace {

// What an option does with its value.
enum class Slot {
    mode,
    app_kind,
    install_dir,
    app_folder,
    main_binary,
    uninstaller,
    desktop,
    start_menu,
    product_name,
    bundle_id,
    parent_pid,
    parent_path,
    okrsek,  // one precinct, kept exactly as given
    list,    // a precinct list split at ',' and ';'
};

// How a profile treats an option: not accepted, accepted, or accepted and its value dropped.
enum class Use { rejected, stored, ignored };

struct OptionRow {
    std::string_view name;
    Slot slot;
    // Indexed by OptionColumn: data-entry, processing, municipal precinct, senate precinct.
    std::array<Use, 4> use;
};

constexpr Use S = Use::stored, I = Use::ignored, X = Use::rejected;

// The options every profile knows, and which profile accepts which. The data-entry
// applications have no precincts: their profiles take the value of the two list options and
// drop it, but refuse the single-precinct option.
constexpr std::array<OptionRow, 15> option_table{{
    {"--mode", Slot::mode, {S, S, S, S}},
    {"--app-kind", Slot::app_kind, {S, S, S, S}},
    {"--install-dir", Slot::install_dir, {S, S, S, S}},
    {"--app-folder", Slot::app_folder, {S, S, S, S}},
    {"--main-binary", Slot::main_binary, {S, S, S, S}},
    {"--uninstaller", Slot::uninstaller, {S, S, S, S}},
    {"--desktop", Slot::desktop, {S, S, S, S}},
    {"--start-menu", Slot::start_menu, {S, S, S, S}},
    {"--product-name", Slot::product_name, {S, S, S, S}},
    {"--bundle-id", Slot::bundle_id, {S, S, S, S}},
    {"--parent-pid", Slot::parent_pid, {S, S, S, S}},
    {"--parent-path", Slot::parent_path, {S, S, S, S}},
    {"--okrsek", Slot::okrsek, {X, S, S, S}},
    {"--items", Slot::list, {I, S, S, S}},
    {"--okrsky", Slot::list, {I, S, S, X}},
}};

const OptionRow* find_option(std::string_view name, OptionColumn column) {
    for (const OptionRow& row : option_table)
        if (row.name == name) return row.use[static_cast<std::size_t>(column)] == Use::rejected ? nullptr : &row;
    return nullptr;
}

// An unsigned 32-bit decimal: an optional '+', then digits only. Digits are taken from the
// left and the first fault decides the reason, so "4294967296x" is too large while
// "42949672x96" has an invalid digit.
Result<std::uint32_t> parse_pid(std::string_view text) {
    if (text.empty()) return fail("cannot parse integer from empty string");
    std::string_view digits = text;
    if (digits.front() == '+') digits.remove_prefix(1);
    if (digits.empty()) return fail("invalid digit found in string");
    std::uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return fail("invalid digit found in string");
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0xFFFF'FFFFu) return fail("number too large to fit in target type");
    }
    return static_cast<std::uint32_t>(value);
}

// A precinct list: pieces between ',' and ';', trimmed, empty pieces skipped.
void append_list(std::vector<std::string>& out, std::string_view text) {
    while (true) {
        const std::size_t cut = text.find_first_of(",;");
        const std::string_view piece = trim_white_space(text.substr(0, cut));
        if (!piece.empty()) out.emplace_back(piece);
        if (cut == std::string_view::npos) return;
        text.remove_prefix(cut + 1);
    }
}

// The fields as parsed so far; a required field that never appeared stays empty.
struct Parsed {
    RunRequest request;
    bool mode = false, app_kind = false, install_dir = false, app_folder = false, main_binary = false,
         uninstaller = false, product_name = false, bundle_id = false, parent_path = false;
};

Result<> store(Parsed& parsed, const OptionRow& option, OptionColumn column, const PString& value) {
    RunRequest& request = parsed.request;
    switch (option.slot) {
    case Slot::mode: {
        const std::string text = to_utf8(value);
        if (text == "full")
            request.mode = Mode::Full;
        else if (text == "selected")
            request.mode = Mode::Selected;
        else
            return fail("unsupported mode: " + text);
        parsed.mode = true;
        return {};
    }
    case Slot::app_kind: {
        std::string text = to_utf8(value);
        if (column == OptionColumn::senate_precinct) {
            // This profile settles the kind while parsing: folded to lower case at once, so
            // the refusal names the folded value.
            text = ascii_lower(text);
            if (text != "okrsek") return fail("unsupported app kind: " + text);
        }
        request.app_kind = std::move(text);
        parsed.app_kind = true;
        return {};
    }
    case Slot::install_dir:
        request.install_dir = value;
        parsed.install_dir = true;
        return {};
    case Slot::app_folder:
        request.app_folder = to_utf8(value);
        parsed.app_folder = true;
        return {};
    case Slot::main_binary:
        request.main_binary = to_utf8(value);
        parsed.main_binary = true;
        return {};
    case Slot::uninstaller:
        request.uninstaller = to_utf8(value);
        parsed.uninstaller = true;
        return {};
    case Slot::desktop:
        // An installer that made no desktop shortcut passes an empty value.
        if (!value.empty()) request.desktop = value;
        return {};
    case Slot::start_menu:
        if (!value.empty()) request.start_menu = value;
        return {};
    case Slot::product_name:
        request.product_name = to_utf8(value);
        parsed.product_name = true;
        return {};
    case Slot::bundle_id:
        request.bundle_id = to_utf8(value);
        parsed.bundle_id = true;
        return {};
    case Slot::parent_pid: {
        const std::string text = to_utf8(value);
        const auto pid = parse_pid(text);
        if (!pid) return fail("invalid --parent-pid value " + text + ": " + pid.error());
        request.parent_pid = *pid;
        return {};
    }
    case Slot::parent_path:
        request.parent_path = value;
        parsed.parent_path = true;
        return {};
    case Slot::okrsek:
        request.okrsky.push_back(to_utf8(value));
        return {};
    case Slot::list:
        if (option.use[static_cast<std::size_t>(column)] == Use::stored) append_list(request.okrsky, to_utf8(value));
        return {};
    }
    return {};
}

}  // namespace

Result<RunRequest> parse_run_request(const std::vector<PString>& args, OptionColumn column) {
    Parsed parsed;
    for (std::size_t i = 0; i < args.size(); i += 2) {
        const std::string name = to_utf8(args[i]);
        const OptionRow* option = find_option(name, column);
        if (!option) return fail("unknown argument: " + name);
        // The value is the next argument whatever it looks like, even "--mode".
        if (i + 1 >= args.size()) return fail("missing value for argument " + name);
        if (auto stored = store(parsed, *option, column, args[i + 1]); !stored) return std::unexpected(stored.error());
    }

    const std::pair<bool, std::string_view> required[] = {
        {parsed.mode, "missing --mode"},
        {parsed.app_kind, "missing --app-kind"},
        {parsed.install_dir, "missing --install-dir"},
        {parsed.app_folder, "missing --app-folder"},
        {parsed.main_binary, "missing --main-binary"},
        {parsed.uninstaller, "missing --uninstaller"},
        {parsed.product_name, "missing --product-name"},
        {parsed.bundle_id, "missing --bundle-id"},
        {parsed.parent_path, "missing --parent-path"},
    };
    for (const auto& [present, message] : required)
        if (!present) return fail(std::string(message));
    return std::move(parsed.request);
}

Result<> expect_value(std::string_view option, std::string_view actual, std::string_view expected) {
    if (ascii_iequals(actual, expected)) return {};
    return fail("unexpected value for " + std::string(option) + ": expected " + std::string(expected) + ", got " +
                std::string(actual));
}

}  // namespace tu
