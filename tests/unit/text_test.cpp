// UTF-16 and UTF-8 with U+FFFD for ill-formed input, and the Unicode white-space trim.
#include <gtest/gtest.h>

#include "platform/text.h"

namespace tu {
namespace {

const std::string fffd = "\xEF\xBF\xBD";

TEST(Utf16ToUtf8, IllFormedUnitsBecomeReplacementCharacters) {
    struct Case {
        PString in;
        std::string out;
        bool well_formed;
    };
    const std::vector<Case> cases = {
        {u"", "", true},
        {u"C:\\Tarvo", "C:\\Tarvo", true},
        {u"\u00E1\u20AC", "\xC3\xA1\xE2\x82\xAC", true},
        {u"\xD83D\xDE00", "\xF0\x9F\x98\x80", true},       // a pair: U+1F600
        {u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF", true},       // the last code point
        {u"\xFFFD", fffd, true},                           // a real U+FFFD passes as itself
        {u"a\xD800" "b", "a" + fffd + "b", false},         // lone high surrogate
        {u"a\xDC00" "b", "a" + fffd + "b", false},         // lone low surrogate
        {u"\xD800", fffd, false},                          // high surrogate at the end
        {u"\xDC00\xD800", fffd + fffd, false},             // a pair in the wrong order
        {u"\xD800\xD800\xDC00", fffd + "\xF0\x90\x80\x80", false},  // second high pairs with the low
        {PString(u"a\0b", 3), std::string("a\0b", 3), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        EXPECT_EQ(to_utf8(c.in), c.out);
        const auto strict = to_utf8_strict(c.in);
        EXPECT_EQ(strict.has_value(), c.well_formed);
        if (c.well_formed) {
            EXPECT_EQ(*strict, c.out);
        }
    }
}

TEST(Utf8ToUtf16, IllFormedBytesBecomeReplacementCharacters) {
    struct Case {
        std::string in;
        PString out;
    };
    const std::vector<Case> cases = {
        {"abc", u"abc"},
        {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
        {"\xFF", u"\xFFFD"},
        {"\xC0\xAF", u"\xFFFD\xFFFD"},          // overlong
        {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"}, // an encoded surrogate
        {"\xE2\x82", u"\xFFFD"},                 // truncated at the end
        {"\xE2\x82x", u"\xFFFDx"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(to_utf16(c.in), c.out);
        EXPECT_EQ(is_valid_utf8(c.in), c.out.find(u'\xFFFD') == PString::npos);
    }
}

TEST(TrimWhiteSpace, TrimsUnicodeWhiteSpaceAtBothEnds) {
    struct Case {
        std::string in, out;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {" \t\r\n\v\f", ""},
        {" 12 ", "12"},
        {"1 2", "1 2"},
        {"\xC2\x85" "7\xC2\xA0", "7"},                       // NEL, NO-BREAK SPACE
        {"\xE1\x9A\x80" "7\xE2\x80\x8A", "7"},               // OGHAM SPACE MARK, HAIR SPACE
        {"\xE2\x80\xAF" "7\xE2\x81\x9F\xE3\x80\x80", "7"},   // narrow NBSP, medium math, ideographic
        {"\xE2\x80\xA8" "7\xE2\x80\xA9", "7"},               // line and paragraph separators
        {"\xE2\x80\x8B" "7", "\xE2\x80\x8B" "7"},            // ZERO WIDTH SPACE is not white space
        {"\xEF\xBB\xBF" "7", "\xEF\xBB\xBF" "7"},            // nor is the byte-order mark
        {"7\xE1\xA0\x8E", "7\xE1\xA0\x8E"},                  // nor MONGOLIAN VOWEL SEPARATOR
        {"\xE3\x80\x80", ""},
        {" \xFF ", "\xFF"},                                  // ill-formed bytes are kept, not trimmed
        {"\xA0", "\xA0"},                                    // a stray continuation byte is no NBSP
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(trim_white_space(c.in), c.out);
    }
}

}  // namespace
}  // namespace tu
