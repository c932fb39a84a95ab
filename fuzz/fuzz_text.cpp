// UTF-16 conversion and white-space trimming: no crash, and the results keep their promises.
#include <cstdlib>
#include <string_view>

#include "fuzz_input.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tu;
    for (const PString& text : fuzz::utf16_strings(data, size)) {
        const std::string utf8 = to_utf8(text);
        if (!is_valid_utf8(utf8)) std::abort();
        const auto strict = to_utf8_strict(text);
        // Well-formed text survives the round trip unchanged; ill-formed text is refused.
        if (strict && (*strict != utf8 || to_utf16(*strict) != text)) std::abort();
        if (!strict && utf8.find("\xEF\xBF\xBD") == std::string::npos) std::abort();
        const std::string_view trimmed = trim_white_space(utf8);
        if (trim_white_space(trimmed) != trimmed) std::abort();
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (is_valid_utf8(bytes) && to_utf8(to_utf16(bytes)) != bytes) std::abort();
    return 0;
}
