// Windows path rules on any host: drive, UNC and verbatim forms.
#include <gtest/gtest.h>

#include "platform/text.h"
#include "platform/winpath.h"

namespace tu {
namespace {

std::string shown(const std::optional<PString>& p) { return p ? to_utf8(*p) : std::string("<none>"); }

TEST(WinPath, IsAbsolute) {
    struct Case {
        PString path;
        bool absolute;
    };
    const std::vector<Case> cases = {
        {u"C:\\Tarvo", true},
        {u"c:/Tarvo", true},
        {u"C:\\", true},
        {u"C:", false},           // drive-relative
        {u"C:Tarvo", false},
        {u"\\Tarvo", false},      // rooted, but on the current drive
        {u"/Tarvo", false},
        {u"Tarvo\\logs", false},
        {u"..\\Tarvo", false},
        {u"", false},
        {u"\\\\server\\share\\Tarvo", true},
        {u"\\\\server\\share", true},
        {u"//server/share/x", true},
        {u"\\\\?\\C:\\Tarvo", true},
        {u"\\\\?\\UNC\\server\\share\\Tarvo", true},
        {u"\\\\?\\Volume{0d0c}\\x", true},
        {u"\\\\.\\C:\\Tarvo", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_utf8(c.path));
        EXPECT_EQ(winpath::is_absolute(c.path), c.absolute);
    }
}

TEST(WinPath, Join) {
    struct Case {
        PString base, rhs, joined;
    };
    const std::vector<Case> cases = {
        {u"C:\\Tarvo", u"logs", u"C:\\Tarvo\\logs"},
        {u"C:\\Tarvo\\", u"logs", u"C:\\Tarvo\\logs"},
        {u"C:/Tarvo/", u"logs", u"C:/Tarvo/logs"},
        {u"C:\\", u"Tarvo", u"C:\\Tarvo"},
        {u"C:", u"Tarvo", u"C:Tarvo"},                      // a bare drive takes no separator
        {u"", u"logs", u"logs"},
        {u"Tarvo", u"logs", u"Tarvo\\logs"},
        {u"C:\\Tarvo", u"D:\\Other", u"D:\\Other"},          // absolute right side replaces
        {u"C:\\Tarvo", u"D:Other", u"D:Other"},              // so does one with a drive
        {u"C:\\Tarvo", u"\\\\srv\\share\\x", u"\\\\srv\\share\\x"},
        {u"C:\\Tarvo", u"\\\\?\\C:\\x", u"\\\\?\\C:\\x"},
        {u"C:\\Tarvo\\a", u"\\x", u"C:\\x"},                 // rooted keeps only the drive
        {u"\\\\srv\\share\\a", u"\\x", u"\\\\srv\\share\\x"},
        {u"\\\\srv\\share", u"x", u"\\\\srv\\share\\x"},
        {u"\\\\?\\C:\\Tarvo", u"logs", u"\\\\?\\C:\\Tarvo\\logs"},
        {u"\\\\?\\UNC\\srv\\share", u"logs", u"\\\\?\\UNC\\srv\\share\\logs"},
        {u"C:\\Tarvo", u"", u"C:\\Tarvo\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_utf8(c.base) + " + " + to_utf8(c.rhs));
        EXPECT_EQ(to_utf8(winpath::join(c.base, c.rhs)), to_utf8(c.joined));
    }
}

TEST(WinPath, ParentFileNameAndExtension) {
    struct Case {
        PString path;
        std::string parent, file_name, extension;
    };
    const std::string none = "<none>";
    const std::vector<Case> cases = {
        {u"C:\\Tarvo\\logs\\run.log", "C:\\Tarvo\\logs", "run.log", "log"},
        {u"C:\\Tarvo\\logs\\", "C:\\Tarvo", "logs", none},
        {u"C:\\Tarvo", "C:\\", "Tarvo", none},
        {u"C:/Tarvo/a.b.lnk", "C:/Tarvo", "a.b.lnk", "lnk"},
        {u"C:\\", none, none, none},
        {u"C:", none, none, none},
        {u"C:x.txt", "C:", "x.txt", "txt"},
        {u"\\", none, none, none},
        {u"run.log", "", "run.log", "log"},                 // a single name has an empty parent
        {u"logs\\run.log", "logs", "run.log", "log"},
        {u"", none, none, none},
        {u"C:\\Tarvo\\.meta", "C:\\Tarvo", ".meta", none},  // a leading dot is no extension
        {u"C:\\Tarvo\\name.", "C:\\Tarvo", "name.", ""},
        {u"C:\\Tarvo\\..", "C:\\Tarvo", none, none},
        {u"C:\\Tarvo\\x\\.", "C:\\Tarvo", "x", none},
        {u"\\\\srv\\share\\Tarvo\\a.exe", "\\\\srv\\share\\Tarvo", "a.exe", "exe"},
        {u"\\\\srv\\share\\Tarvo", "\\\\srv\\share\\", "Tarvo", none},
        {u"\\\\srv\\share", none, none, none},
        {u"\\\\srv\\share\\", none, none, none},
        {u"\\\\?\\C:\\Tarvo\\a.exe", "\\\\?\\C:\\Tarvo", "a.exe", "exe"},
        {u"\\\\?\\C:\\", none, none, none},
        {u"\\\\?\\UNC\\srv\\share\\x.lnk", "\\\\?\\UNC\\srv\\share\\", "x.lnk", "lnk"},
        {u"\\\\?\\UNC\\srv\\share", none, none, none},
        {u"\\\\?\\C:\\Tarvo\\a/b.x", "\\\\?\\C:\\Tarvo", "a/b.x", "x"},  // '/' is a plain character there
        {u"\\\\?\\C:\\Tarvo\\..", "\\\\?\\C:\\Tarvo", none, none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_utf8(c.path));
        EXPECT_EQ(shown(winpath::parent(c.path)), c.parent);
        EXPECT_EQ(shown(winpath::file_name(c.path)), c.file_name);
        EXPECT_EQ(shown(winpath::extension(c.path)), c.extension);
    }
}

// How a path that cannot be opened is compared: without its verbatim prefix, dots folded
// even after one, one '\' between components; nothing to fold against, nothing folded.
TEST(WinPath, FoldLexically) {
    const std::pair<PString, PString> cases[] = {
        {u"C:\\Tarvo\\..\\x", u"C:\\x"},
        {u"\\\\?\\C:\\Tarvo\\.\\..\\x", u"C:\\x"},  // the verbatim path's dots too
        {u"\\\\?\\UNC\\srv\\share\\..\\..\\d", u"\\\\srv\\share\\d"},  // never above the share
        {u"\\??\\C:\\a\\..", u"C:"},
        {u"C:\\Missing\\\\x\\", u"C:\\Missing\\x"},
        {u"C:\\", u"C:"},
        {u"\\\\.\\COM1\\..", u"\\\\.\\COM1"},
        {u"C:Tarvo\\..\\x", u"C:Tarvo\\..\\x"},  // from the drive's current folder
        {u"\\x\\..", u"\\x\\.."},                // from the current drive's root
        {u"\\\\?\\1:\\a\\..", u"1:\\a\\.."},   // no drive: it names nothing
    };
    for (const auto& [path, folded] : cases) EXPECT_EQ(to_utf8(winpath::fold_lexically(path)), to_utf8(folded)) << to_utf8(path);
}

}  // namespace
}  // namespace tu
