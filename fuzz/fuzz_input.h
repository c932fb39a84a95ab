// Turning fuzzer bytes into the helper's inputs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace tu::fuzz {

// Pairs of bytes become UTF-16 units (lone surrogates included); a zero unit separates
// strings.
inline std::vector<PString> utf16_strings(const std::uint8_t* data, std::size_t size) {
    std::vector<PString> out(1);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0)
            out.emplace_back();
        else
            out.back().push_back(unit);
    }
    return out;
}

}  // namespace tu::fuzz
