// The precinct grammars and export-file rules: no crash, the refusal names the item as
// typed, and an item that passes names exactly one folder directly below "Data", whatever a
// hostile item tries (separators, dots, drive letters, look-alike digits). A file in "Export"
// belongs to at most one item, so removing one precinct's exports never takes another's.
//
// Input: up to three strings separated by '\n': two items and an export file name.
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/text.h"
#include "platform/winpath.h"
#include "profiles/profiles.h"

namespace {

using namespace tu;

bool five_digits(std::string_view text) {
    if (text.size() != 5) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// The whole of an accepted senate item, spelled out once more: five ASCII digits, a point,
// one to three ASCII digits, and nothing else.
bool senate_shape(std::string_view item) {
    const std::size_t point = item.find('.');
    if (point != 5 || !five_digits(item.substr(0, 5))) return false;
    const std::string_view district = item.substr(6);
    if (district.empty() || district.size() > 3) return false;
    for (const char c : district)
        if (c < '0' || c > '9') return false;
    return true;
}

bool refusal_names_item(const Result<>& verdict, std::string_view item, std::initializer_list<std::string_view> heads) {
    for (const std::string_view head : heads)
        if (verdict.error() == std::string(head) + std::string(item)) return true;
    return false;
}

// Creates the folder the item names below Data on a fake Windows and reports whether it is
// one folder, directly below Data, called exactly like the item.
bool names_one_child_of_data(std::string_view item) {
    fake::FakePlatform os;
    const PString data = u"C:\\Tarvo\\LCKaptaO\\Data";
    os.add_dir(data);
    const PString folder = winpath::join(data, to_utf16(item));
    if (os.create_dir_all(folder).has_value() == false) return false;
    const std::vector<std::string> below = os.tree(data);
    return below.size() == 1 && below[0] == to_utf8(data) + "\\" + std::string(item) &&
           winpath::parent(folder) == data && winpath::file_name(folder) == to_utf16(item);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < size && parts.size() <= 3; ++i) {
        if (data[i] == '\n') parts.emplace_back();
        else parts.back().push_back(static_cast<char>(data[i]));
    }
    parts.resize(3);
    const std::string& first = parts[0];
    const std::string& second = parts[1];
    const std::string& file_name = parts[2];

    // Municipal precinct numbers: exactly five ASCII digits.
    for (const std::string& item : {first, second}) {
        const Result<> verdict = check_okrsek(item);
        if (verdict.has_value() != five_digits(item)) std::abort();
        if (!verdict && !refusal_names_item(verdict, item, {"invalid okrsek: "})) std::abort();
        if (verdict && !names_one_child_of_data(item)) std::abort();
    }

    // Senate items: the four refusals name the item; an accepted one has the fixed shape.
    for (const std::string& item : {first, second}) {
        const Result<> verdict = check_obvod_item(item);
        if (verdict.has_value() != senate_shape(item)) std::abort();
        if (!verdict && !refusal_names_item(verdict, item,
                                            {"invalid item: ", "invalid UH obvod folder: ", "invalid UH okrsek in folder: ",
                                             "invalid UH obvod in folder: "}))
            std::abort();
        if (verdict && !names_one_child_of_data(item)) std::abort();
    }

    // Export files: a name belongs to at most one accepted item, ends in a point and that
    // item, and (municipal) agrees with the extension rule of the path functions.
    if (file_name.find_first_of("\\/") != std::string::npos || file_name == "." || file_name == "..") return 0;
    if (check_okrsek(first) && check_okrsek(second) && first != second && okrsek_export_file(file_name, first) &&
        okrsek_export_file(file_name, second))
        std::abort();
    if (check_okrsek(first)) {
        const auto extension = winpath::extension(to_utf16(file_name));
        const bool by_extension = extension && to_utf8(*extension) == first && is_valid_utf8(file_name);
        if (is_valid_utf8(file_name) && okrsek_export_file(file_name, first) != by_extension) std::abort();
    }
    if (check_obvod_item(first) && check_obvod_item(second) && first != second &&
        obvod_export_file(file_name, first) && obvod_export_file(file_name, second))
        std::abort();
    if (check_obvod_item(first) && obvod_export_file(file_name, first) &&
        !(file_name.size() > first.size() + 1 && file_name.ends_with("." + first)))
        std::abort();
    return 0;
}
