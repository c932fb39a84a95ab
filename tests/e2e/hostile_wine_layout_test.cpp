// Hostile command lines and layouts against the real helper under Wine: paths spelled with
// "..", '/', verbatim and UNC prefixes and other letter case; a start menu that is a drive
// root; export files named like devices; symbolic links made on the Linux side where the
// containment checks must see through them; and values that try to break the log's lines.
// Every run removes exactly what its rules allow or is refused with its message, and the
// sentinel beside the installation never changes. What needs no real file system (items
// that try to leave "Data", markers that point elsewhere) is proved on the fake platform.
#include <algorithm>

#include "hostile_station.h"

namespace e2e::hostile {
namespace {

std::wstring upper_with_slashes(std::wstring path) {
    for (wchar_t& c : path) {
        if (c == L'\\') c = L'/';
        else if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
    }
    return path;
}

std::wstring lower_with_slashes(std::wstring path) {
    for (wchar_t& c : path) {
        if (c == L'\\') c = L'/';
        else if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
    }
    return path + L"/";
}

std::vector<std::string> without(std::vector<std::string> paths, std::initializer_list<std::string> kept) {
    for (const std::string& path : kept) std::erase(paths, path);
    return paths;
}

// --- paths ------------------------------------------------------------------------------------

class HostileWinePaths : public Station {};

TEST_F(HostileWinePaths, InstallDirectorySpelledAnotherWayRemovesJustTheApp) {
    // The first --install-dir keeps the log in the logs folder; the parser takes the last.
    for (const std::wstring& spelled : {install + L"\\Other\\..", upper_with_slashes(install) + L"/", L"\\\\?\\" + install})
        expect_run(utf8(spelled), with(command_line(lc_kapta, L"full"), {L"--install-dir", spelled}), 2, "",
                   full_removal(lc_kapta));
}

TEST_F(HostileWinePaths, InstallDirectoryElsewhereIsRefusedByTheCallerCheck) {
    const std::wstring escape = dir(lc_kapta) + L"\\..\\..\\Outside";  // where the decoys are
    for (const std::wstring& elsewhere : {escape, std::wstring(L"\\\\tu-nowhere\\share\\Tarvo")})
        expect_run(utf8(elsewhere), with(command_line(lc_kapta, L"full"), {L"--install-dir", elsewhere}), 2,
                   "uninstaller parent is outside the install root", {});
    const std::wstring unc = L"\\\\?\\UNC\\tu-nowhere\\share\\Tarvo";
    expect_run(utf8(unc), with(command_line(lc_okrsek, L"selected"), {L"--okrsek", L"12345", L"--install-dir", unc}), 1,
               "unexpected uninstaller path: expected " + utf8(in(unc, uninstaller_name)) + ", got " + utf8(uninstaller()),
               {});
}

TEST_F(HostileWinePaths, ShortcutFoldersSpelledAnotherWay) {
    expect_run("spelled",
               with(command_line(lc_kapta, L"full"),
                    {L"--desktop", lower_with_slashes(desktop), L"--start-menu", L"\\\\?\\" + start_menu}),
               2, "", full_removal(lc_kapta));
    expect_run("dotted", with(command_line(lc_kapta, L"full"), {L"--desktop", root + L"\\Start Menu\\..\\Desktop"}), 2, "",
               full_removal(lc_kapta));
    // On a share that is not there: nothing to find, nothing to remove, no error.
    expect_run("unc",
               with(command_line(lc_kapta, L"full"), {L"--desktop", L"\\\\tu-nowhere\\share\\Desktop", L"--start-menu",
                                                      L"\\\\?\\UNC\\tu-nowhere\\share\\Programs\\Tarvo"}),
               2, "", {relative(dir(lc_kapta))});
}

// The folder above Programs\Tarvo\.. is "Start Menu": the shortcut in Programs\Tarvo belongs
// to no folder this run looks in and stays.
TEST_F(HostileWinePaths, FolderAboveADottedStartMenuIsTheRealParent) {
    expect_run("dotted", with(command_line(lc_kapta, L"full"), {L"--start-menu", start_menu + L"\\.."}), 2, "",
               {relative(dir(lc_kapta)), relative(kapta_desktop_link()), relative(kapta_programs_link())});
}

// A drive root as the start menu: never removed as empty, and nothing above it is looked at.
TEST_F(HostileWinePaths, StartMenuThatIsADriveRoot) {
    for (const wchar_t* drive_root : {L"C:\\", L"C:\\."}) {
        expect_run(utf8(drive_root), with(command_line(lc_kapta, L"full"), {L"--start-menu", drive_root}), 2, "",
                   {relative(dir(lc_kapta)), relative(kapta_desktop_link())});
        const std::vector<std::string> log = run_log();
        for (const std::string& line : log) EXPECT_FALSE(line.starts_with("removed empty dir: ")) << line;
        EXPECT_TRUE(exists(L"C:\\windows"));
    }
}

// --- links made on the Linux side -------------------------------------------------------------

// Wine follows these links and reports where they lead, but cannot tell them apart when it
// deletes: deleting such a link deletes what it leads to. So only the cases where the
// containment checks must refuse before anything under a link is deleted run here; the
// deletion of links themselves is covered against the fake platform.
class HostileWineLinks : public Station {};

TEST_F(HostileWineLinks, FoldersLeadingOutOfTheInstallationAreRefused) {
    const std::string unsafe = "unsafe path outside expected directory: ";
    const auto linked = [](std::wstring path, std::string target) {
        return [path, target](Station& s) { return s.link(path, target); };
    };
    expect_run("data-entry folder", command_line(lc_kapta, L"full"), 2, unsafe + utf8(dir(lc_kapta)), {},
               linked(dir(lc_kapta), "../Outside/" + lc_kapta.folder));
    // Selected mode once deleted the decoy's precinct folder through this link.
    expect_run("precinct application folder", with(command_line(lc_okrsek, L"selected"), {L"--okrsek", L"12345"}), 1,
               unsafe + utf8(dir(lc_okrsek)), {}, linked(dir(lc_okrsek), "../Outside/" + lc_okrsek.folder));
    expect_run("precinct folder", with(command_line(lc_okrsek, L"selected"), {L"--okrsek", L"12345"}), 1,
               unsafe + utf8(dir(lc_okrsek) + L"\\Data\\12345"), {},
               linked(dir(lc_okrsek) + L"\\Data\\12345", "../../../Outside/precinct"));
    expect_run("data folder", with(command_line(uh_okrsek, L"selected"), {L"--okrsek", L"12345.7"}), 1,
               unsafe + utf8(dir(uh_okrsek) + L"\\Data\\12345.7"), {},
               linked(dir(uh_okrsek) + L"\\Data", "../../Outside/" + uh_okrsek.folder + "/Data"));
    // The precinct folder goes first; the export folder is refused before it is listed.
    expect_run("export folder", with(command_line(lc_okrsek, L"selected"), {L"--okrsek", L"12345"}), 1,
               unsafe + utf8(dir(lc_okrsek) + L"\\Export"), {relative(dir(lc_okrsek) + L"\\Data\\12345")},
               linked(dir(lc_okrsek) + L"\\Export", "../../Outside/Export"));
    // The only export file of the item is a link to a file outside: refused, not deleted.
    expect_run("export file", with(command_line(uh_okrsek, L"selected"), {L"--okrsek", L"12345.7"}), 1,
               unsafe + utf8(dir(uh_okrsek) + L"\\Export\\link.12345.7"), {relative(dir(uh_okrsek) + L"\\Data\\12345.7")},
               [](Station& s) {
                   wipe_tree(s.dir(uh_okrsek) + L"\\Export\\vysledky.12345.7");
                   return s.link(s.dir(uh_okrsek) + L"\\Export\\link.12345.7", "../../../Outside/keep.txt");
               });
}

// A shortcut's target is judged by where it leads: through a link to the main executable it
// is the application's shortcut, through a link to a file outside it is not.
TEST_F(HostileWineLinks, ShortcutTargetsThatAreLinks) {
    expect_run("targets", command_line(lc_kapta, L"full"), 2, "",
               without(full_removal(lc_kapta), {relative(kapta_menu_link())}),
               [](Station& s) {
                   const std::wstring links = s.root + L"\\Links";
                   make_dirs(links);
                   if (!s.link(links + L"\\app-exe", "../Tarvo/" + lc_kapta.folder + "/" + lc_kapta.exe) ||
                       !s.link(links + L"\\out", "../Outside/keep.txt"))
                       return false;
                   make_shortcut(s.kapta_desktop_link(), links + L"\\app-exe");
                   make_shortcut(s.kapta_menu_link(), links + L"\\out");
                   return true;
               });
}

// Links inside what a run deletes. Wine opens what such a link leads to even when asked not
// to follow it, and deleting the link would delete that; the deletion proves where each
// handle leads and refuses the ones that lead elsewhere, retried like any failed attempt,
// and the run fails naming the entry. What the links lead to stays byte for byte. (About
// 15 s for each refused file or tree.)
TEST_F(HostileWineLinks, LinksInsideWhatARunDeletesAreRefused) {
    const std::string app = utf8(dir(lc_kapta)), out = utf8(outside());
    const auto refusal = [](const std::string& entry, const std::string& where) {
        return "refused to delete " + entry + ": it leads to " + where;
    };
    const std::string tree_failed = "failed to remove dir " + app + " after 30 attempts (os_error=None): ";

    expect_failed_run("file link in the application folder", command_line(lc_kapta, L"full"), 2,
                      tree_failed + refusal(app + "\\data\\escape.txt", out + "\\keep.txt"), full_removal(lc_kapta),
                      [](Station& s) {
                          make_dirs(s.dir(lc_kapta) + L"\\data");
                          return s.link(s.dir(lc_kapta) + L"\\data\\escape.txt", "../../../Outside/keep.txt");
                      });
    expect_failed_run("folder link in the application folder", command_line(lc_kapta, L"full"), 2,
                      tree_failed + refusal(app + "\\out", out + "\\empty"), full_removal(lc_kapta),
                      [](Station& s) {
                          make_dirs(s.outside() + L"\\empty");
                          return s.link(s.dir(lc_kapta) + L"\\out", "../../Outside/empty");
                      });
    const std::string lnk = utf8(kapta_desktop_link());
    expect_failed_run("desktop shortcut that is a link", command_line(lc_kapta, L"full"), 2,
                      "failed to remove file " + lnk + " after 30 attempts (os_error=None): " +
                          refusal(lnk, out + "\\mine.lnk"),
                      {}, [](Station& s) {
                          make_shortcut(s.outside() + L"\\mine.lnk", s.main_exe(lc_kapta));
                          return s.link(s.kapta_desktop_link(), "../Outside/mine.lnk");
                      });
    const std::string menu = utf8(start_menu);
    expect_failed_run("start-menu folder that is a link", command_line(lc_kapta, L"full"), 2,
                      "failed to remove empty dir " + menu + ": " + refusal(menu, out + "\\menu"),
                      {relative(dir(lc_kapta)), relative(kapta_desktop_link()),
                       relative(kapta_programs_link())},
                      [](Station& s) {
                          make_dirs(s.outside() + L"\\menu");
                          return s.link(s.start_menu, "../../Outside/menu");
                      });
    // Inside the application: another precinct's data.
    const std::string uh = utf8(dir(uh_okrsek)), export_link = uh + "\\Export\\z.12345.7";
    expect_failed_run("export file that is a link", with(command_line(uh_okrsek, L"selected"), {L"--okrsek", L"12345.7"}), 1,
                      "failed to remove file " + export_link + " after 30 attempts (os_error=None): " +
                          refusal(export_link, uh + "\\Data\\23456.81\\okrsek.db"),
                      {relative(dir(uh_okrsek) + L"\\Data\\12345.7"), relative(dir(uh_okrsek) + L"\\Export\\vysledky.12345.7")},
                      [](Station& s) { return s.link(s.dir(uh_okrsek) + L"\\Export\\z.12345.7", "../Data/23456.81/okrsek.db"); });
}

// --- precinct items -----------------------------------------------------------------------------

class HostileWineItems : public Station {};

// Export files named like devices are files of the folder they are in.
TEST_F(HostileWineItems, ExportFilesNamedLikeDevicesAreOrdinaryFiles) {
    const wchar_t* const names[] = {L"CON.12345", L"nul.12345", L"COM1.12345"};
    std::vector<std::string> removed = precinct_removal(lc_okrsek, L"12345");
    for (const wchar_t* name : names) removed.push_back(relative(dir(lc_okrsek) + L"\\Export\\" + name));
    expect_run("devices", with(command_line(lc_okrsek, L"selected"), {L"--okrsek", L"12345"}), 1, "", removed,
               [&names](Station& s) {
                   for (const wchar_t* name : names) write_file(verbatim(s.dir(lc_okrsek) + L"\\Export\\" + name), "export");
                   return true;
               });
}

// --- the run log ------------------------------------------------------------------------------

// No value can break a line or forge one: whatever a command line, a marker or a shortcut
// carries, each event is one line, and a failed run's last line is its error.
class HostileWineLog : public Station {};

TEST_F(HostileWineLog, ValuesCannotBreakOrForgeLines) {
    const std::string r = "\xEF\xBF\xBD", &product = lc_kapta.product;
    expect_run("product name",
               with(command_line(lc_kapta, L"full"), {L"--product-name", wide(product + "\ntarvo-untarvo completed")}), 2,
               "unexpected value for --product-name: expected " + product + ", got " + product + r + "tarvo-untarvo completed",
               {});
    expect_run("unknown argument", with(command_line(lc_okrsek, L"full"), {L"--x\r\nremoved dir: C:\\Outside"}), 1,
               "unknown argument: --x" + r + r + "removed dir: C:\\Outside", {});
    expect_run("marker value", command_line(lc_kapta, L"full"), 2,
               "unexpected value for bundle_id: expected " + lc_kapta.bundle + ", got com.lc" + r + "kapta", {}, [](Station& s) {
                   write_file(in(s.dir(lc_kapta), lc_kapta.marker), marker_text_where(lc_kapta, "bundle_id", "com.lc\rkapta"));
                   return true;
               });
    // A desktop folder that is not there, and a start-menu shortcut whose target text
    // carries a line break: skipped, one line each.
    expect_run("desktop folder and shortcut target",
               with(command_line(lc_kapta, L"full"), {L"--desktop", L"C:\\nowhere\nremoved dir: C:\\Outside"}), 2, "",
               without(full_removal(lc_kapta), {relative(kapta_desktop_link()), relative(kapta_menu_link())}), [](Station& s) {
                   make_shortcut(s.kapta_menu_link(), L"C:\\x\nremoved dir: C:\\Outside");
                   return true;
               });
    const std::vector<std::string> log = run_log();
    for (const std::string& l : log) {
        EXPECT_NE(l, "removed dir: C:\\Outside");
        EXPECT_EQ(l.find_first_of("\r\t\x1B"), std::string::npos) << l;
    }
    const std::string skipped = "skip missing shortcut: C:\\nowhere" + r + "removed dir: C:\\Outside\\" + lc_kapta.desktop_links[0];
    EXPECT_NE(std::find(log.begin(), log.end(), skipped), log.end());
}

}  // namespace
}  // namespace e2e::hostile
