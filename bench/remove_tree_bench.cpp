// Times one tree removal on real files, for bench/remove-bench.sh.
//
//   remove_tree_bench.exe helper DIR   the helper's own tree removal (remove_tree_once)
//   remove_tree_bench.exe bare DIR     the least a handle-based delete can do over the same
//                                      platform calls: list, open, classic disposition, close,
//                                      read-only cleared where listed; no retries, no checks
//
// Prints one line "seconds=<s>" (time inside the process, start-up excluded) and exits 0,
// or "error=<code> step=<step>" and exits 1. The bare walk is the yardstick for the cost
// the helper's walk adds per entry; it is no safer than it needs to be for a bench tree.

#include <chrono>
#include <cstdio>
#include <expected>
#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_platform.h"
#include "removal/remove.h"

namespace {

std::expected<void, tu::OsError> bare_delete(tu::Platform& os, tu::HandleId parent, tu::PStringView name,
                                             const tu::FileInfo& info) {
    const bool directory = info.directory && !info.reparse_point;
    auto opened = os.open_no_follow(parent, name, directory ? tu::OpenFor::list_and_delete : tu::OpenFor::delete_only);
    if (!opened) return std::unexpected(opened.error());
    tu::OwnedHandle handle(os, *opened);
    if (directory) {
        auto entries = os.list_handle(handle.get());
        if (!entries) return std::unexpected(entries.error());
        for (const auto& entry : *entries) {
            if (auto removed = bare_delete(os, handle.get(), entry.name, entry.info); !removed) return removed;
        }
    }
    if (info.readonly) {
        if (auto cleared = os.clear_readonly(handle.get()); !cleared) return cleared;
    }
    return os.set_disposition(handle.get(), tu::Disposition::classic);
}

}  // namespace

int main() {
    tu::Platform& os = tu::win32::platform();
    const auto args = os.command_line();
    if (args.size() != 3 || (args[1] != u"helper" && args[1] != u"bare")) {
        std::fputs("usage: remove_tree_bench.exe helper|bare DIR\n", stderr);
        return 2;
    }
    const tu::PString& dir = args[2];

    const auto start = std::chrono::steady_clock::now();
    std::expected<void, tu::OsError> result;
    if (args[1] == u"helper") {
        const auto tree = tu::approve(os, dir);
        if (!tree) {
            std::printf("error=%s\n", tree.error().c_str());
            return 1;
        }
        const auto once = tu::remove_tree_once(os, *tree);
        if (!once) {
            std::printf("error=%u refusal=%s\n", once.error().os ? static_cast<unsigned>(once.error().os->code) : 0u,
                        once.error().refusal.c_str());
            return 1;
        }
    } else {
        const auto info = os.file_info(dir, false);
        result = info ? bare_delete(os, tu::HandleId{}, dir, *info) : std::unexpected(info.error());
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

    if (!result) {
        std::printf("error=%u step=%s\n", static_cast<unsigned>(result.error().code),
                    std::string(result.error().step).c_str());
        return 1;
    }
    std::printf("seconds=%.3f\n", elapsed.count());
    return 0;
}
