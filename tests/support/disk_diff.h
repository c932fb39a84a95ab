// Comparing what a disk held before and after a run, path by path (a file's content, or
// what else the entry is).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace tu::test_support {

// Exactly the paths at or below `removed` are gone, nothing else changed, and nothing is
// new but what `fresh` accepts (the runs' own logs).
template <class Fresh>
void expect_only_removed(const std::map<std::string, std::string>& before, const std::map<std::string, std::string>& after,
                         const std::vector<std::string>& removed, Fresh fresh) {
    const auto covered = [&](const std::string& path) {
        return std::any_of(removed.begin(), removed.end(), [&](const std::string& gone) {
            return path == gone || path.starts_with(gone + "\\");
        });
    };
    std::vector<std::string> gone, expected_gone, changed, created;
    for (const auto& [path, value] : before) {
        if (covered(path)) expected_gone.push_back(path);
        const auto now = after.find(path);
        if (now == after.end()) gone.push_back(path);
        else if (now->second != value) changed.push_back(path);
    }
    for (const auto& [path, value] : after)
        if (!before.contains(path) && !fresh(path)) created.push_back(path);
    EXPECT_EQ(gone, expected_gone);
    EXPECT_EQ(changed, std::vector<std::string>{});
    EXPECT_EQ(created, std::vector<std::string>{});
}

}  // namespace tu::test_support
