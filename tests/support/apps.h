// The applications as their installers leave them and their uninstallers describe them,
// written out once for every level of test: the unit and Wine stations, the end-to-end runs
// and the fuzz targets. Spelled here by hand, not taken from the product: a test that read
// the product's own names would agree with any mistake in them.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tu::test_support {

struct AppFacts {
    std::string folder;    // below the install directory
    std::string exe;       // the main executable
    std::string marker = {};  // the install marker's file name; empty: the application has none
    std::string app_kind;  // --app-kind
    std::string product;   // --product-name
    std::string bundle;    // --bundle-id
    // Precinct applications: the precincts installed, and what their shortcut names start
    // with ("{item_prefix} {item}.lnk"; in full mode every "{display} ..." shortcut counts).
    std::vector<std::string> items = {};
    std::string item_prefix = {};
    std::string display = {};
    // Data-entry and processing applications: the shortcut names their installer made on the
    // desktop, in the start menu (to the main executable, then to the uninstaller) and in the
    // folder above the start menu.
    std::vector<std::string> desktop_links = {}, start_menu_links = {}, uninstall_links = {}, programs_links = {};

    bool precinct() const { return !items.empty(); }
};

inline const AppFacts lc_kapta{.folder = "LCkapta",
                               .exe = "lc-kapta.exe",
                               .marker = ".lc-kapta-install.meta",
                               .app_kind = "pm",
                               .product = "Lokal-kaptáže",
                               .bundle = "com.lc-kapta",
                               .desktop_links = {"Lokal-kaptáže.lnk"},
                               .start_menu_links = {"Lokal-kaptáže.lnk"},
                               .uninstall_links = {"Odinstalovat Lokal-kaptáže.lnk"},
                               .programs_links = {"Lokal-kaptáže.lnk"}};

// The senate data-entry application of round 1; `uh_kapta_k2` is round 2, installed beside it.
inline const AppFacts uh_kapta{.folder = "UHKapta.K1",
                               .exe = "uh-kapta.exe",
                               .marker = ".uh-kapta-install.meta",
                               .app_kind = "pm",
                               .product = "UH kapta",
                               .bundle = "com.uh-kapta",
                               .desktop_links = {"Vyšák-kaptáže K1.lnk"},
                               .start_menu_links = {"Vyšák-kaptáže K1.lnk"},
                               .uninstall_links = {"Odinstalovat UH kapta.lnk"}};
inline const AppFacts uh_kapta_k2{.folder = "UHKapta.K2",
                                  .exe = "uh-kapta.exe",
                                  .marker = ".uh-kapta-install.meta",
                                  .app_kind = "pm",
                                  .product = "UH kapta",
                                  .bundle = "com.uh-kapta",
                                  .desktop_links = {"Vyšák-kaptáže K2.lnk"}};

inline const AppFacts lc_okrsek{.folder = "LCKaptaO",
                                .exe = "lc-okrsek.exe",
                                .marker = ".lc-okrsek-install.meta",
                                .app_kind = "okrsek",
                                .product = "LCokrsek",
                                .bundle = "com.lc-okrsek",
                                .items = {"12345", "23456"},
                                .item_prefix = "Lokal-Kaptáže",
                                .display = "Lokal-Kaptáže"};

// The senate precinct application of round 1.
inline const AppFacts uh_okrsek{.folder = "UHKaptaO.K1",
                                .exe = "uh-okrsek.exe",
                                .marker = ".uh-okrsek-install.meta",
                                .app_kind = "okrsek",
                                .product = "UHokrsek",
                                .bundle = "com.uh-okrsek",
                                .items = {"12345.7", "23456.81"},
                                .item_prefix = "Vyšák-Kaptáže K1",
                                .display = "Vyšák-Kaptáže"};

inline const AppFacts lc_sumar{.folder = "LCsumar",
                               .exe = "lcsumar.exe",
                               .app_kind = "sumar",
                               .product = "LC sumar",
                               .bundle = "com.lc-sumar",
                               .desktop_links = {"LC sumar.lnk"},
                               .start_menu_links = {"LC sumar.lnk"},
                               .programs_links = {"LC sumar.lnk"}};

inline const AppFacts* const all_apps[] = {&lc_kapta, &uh_kapta, &lc_okrsek, &uh_okrsek, &lc_sumar};

// The names no command line chooses, as the installers write them.
inline constexpr std::string_view helper_name = "tarvo-untarvo.exe";
inline constexpr std::string_view uninstaller_name = "Zudeded2026.exe";

// The install marker its installer writes for `app`, lines ended by `eol`; with
// `changed_key`, that key carries `changed_value` instead.
inline std::string marker_text(const AppFacts& app, std::string_view eol = "\n", std::string_view changed_key = {},
                               std::string_view changed_value = {}) {
    std::string text = "# written by the installer";
    for (auto [key, value] : {std::pair<std::string_view, std::string_view>{"bundle_id", app.bundle},
                              {"app_folder", app.folder},
                              {"main_binary", app.exe},
                              {"helper_binary", helper_name},
                              {"uninstaller", uninstaller_name}}) {
        if (key == changed_key) value = changed_value;
        text.append(eol).append(key).append("=").append(value);
    }
    return text += eol;
}
inline std::string marker_text_where(const AppFacts& app, std::string_view key, std::string_view value) {
    return marker_text(app, "\n", key, value);
}

// The name of a precinct's shortcut: "{item_prefix} {item}.lnk".
inline std::string item_shortcut(const AppFacts& app, std::string_view item) {
    return app.item_prefix + " " + std::string(item) + ".lnk";
}

}  // namespace tu::test_support
