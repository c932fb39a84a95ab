// The real exe started without a usable --app-folder: status 2, and no log file anywhere.
#include "e2e_support.h"

namespace e2e {
namespace {

class Entry : public Workstation {};

TEST_F(Entry, NoUsableAppFolderEndsWithStatusTwoAndWritesNothing) {
    const std::wstring temp_logs = temp_dir() + L"tarvo2026-uninstall-logs", folder = wide(lc_kapta.folder);
    const std::vector<std::vector<std::wstring>> command_lines{
        {},
        {L"--mode", L"full", L"--app-folder"},
        {L"--app-folder=" + folder, L"--mode", L"full"},
        {L"--app-folder", folder + L"2", L"--install-dir", install},
        {L"--app-folder", L"--mode", L"full", L"--install-dir", install},
    };
    for (const auto& args : command_lines) {
        std::string shown;
        for (const auto& arg : args) {
            shown += ' ';
            shown += utf8(arg);
        }
        SCOPED_TRACE("arguments:" + shown);
        const bool temp_logs_existed = exists(temp_logs);
        const auto temp_before = tree(temp_logs);
        const auto before = tree(root);
        EXPECT_EQ(run_process(helper, args, root).status, 2u);
        EXPECT_EQ(tree(temp_logs), temp_before);
        EXPECT_EQ(tree(root), before);
        EXPECT_EQ(exists(temp_logs), temp_logs_existed);
    }
}

}  // namespace
}  // namespace e2e
