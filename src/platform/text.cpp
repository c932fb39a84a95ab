#include "platform/text.h"

#include <array>

namespace tu {
namespace {

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

constexpr char32_t replacement = 0xFFFD;

// Decodes one code point at `i`; returns nothing for an unpaired surrogate.
std::optional<char32_t> next_utf16(PStringView text, std::size_t& i) {
    const char16_t unit = text[i++];
    if (unit < 0xD800 || unit > 0xDFFF) return unit;
    if (unit <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
        const char16_t low = text[i++];
        return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00);
    }
    return std::nullopt;
}

// Decodes one UTF-8 sequence at `i`; on an ill-formed sequence advances past its maximal
// invalid prefix and returns nothing.
std::optional<char32_t> next_utf8(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    std::size_t length = 0;
    char32_t cp = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        ++i;
        return std::nullopt;
    }
    std::size_t k = i + 1;
    for (std::size_t n = 1; n < length; ++n, ++k) {
        if (k >= text.size()) {
            i = k;
            return std::nullopt;
        }
        const unsigned char b = byte(k);
        const unsigned char lo = n == 1 ? low : 0x80, hi = n == 1 ? high : 0xBF;
        if (b < lo || b > hi) {
            i = k;
            return std::nullopt;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    i = k;
    return cp;
}

}  // namespace

bool is_white_space(char32_t cp) {
    switch (cp) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20: case 0x85: case 0xA0:
    case 0x1680: case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
        return true;
    default:
        return cp >= 0x2000 && cp <= 0x200A;
    }
}

std::string to_utf8(PStringView text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) append_utf8(out, next_utf16(text, i).value_or(replacement));
    return out;
}

std::optional<std::string> to_utf8_strict(PStringView text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto cp = next_utf16(text, i);
        if (!cp) return std::nullopt;
        append_utf8(out, *cp);
    }
    return out;
}

PString to_utf16(std::string_view text) {
    PString out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t cp = next_utf8(text, i).value_or(replacement);
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

bool is_valid_utf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();)
        if (!next_utf8(bytes, i)) return false;
    return true;
}

std::string ascii_lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = ascii_lower(c);
    return out;
}

bool ascii_iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    return true;
}

bool ascii_iends_with(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && ascii_iequals(text.substr(text.size() - suffix.size()), suffix);
}

std::string_view trim_white_space(std::string_view text) {
    // Leading: decode forward.
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t next = begin;
        const auto cp = next_utf8(text, next);
        if (!cp || !is_white_space(*cp)) break;
        begin = next;
    }
    // Trailing: find the start of the last code point and test it.
    std::size_t end = text.size();
    while (end > begin) {
        std::size_t start = end - 1;
        while (start > begin && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80 && end - start < 4) --start;
        std::size_t probe = start;
        const auto cp = next_utf8(text, probe);
        if (!cp || probe != end || !is_white_space(*cp)) break;
        end = start;
    }
    return text.substr(begin, end - begin);
}

PStringView trim_trailing_white_space(PStringView text) {
    // A unit of a surrogate pair is never White_Space, so the units can be tested one by one.
    while (!text.empty() && is_white_space(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace tu
