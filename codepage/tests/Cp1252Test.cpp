#include "orvane/codepage/Cp1252.h"

#include <algorithm>
#include <optional>
#include <string>

#include <gtest/gtest.h>

using namespace orvane::codepage;

namespace {
const std::string kUnassigned = "\x81\x8D\x8F\x90\x9D";
bool unassigned(char byte) { return kUnassigned.find(byte) != std::string::npos; }
} // namespace

TEST(Cp1252, EveryCodeRoundTrips_TheFiveUnassignedReadAsQuestionMarks_AndTheirCharactersGoOutAsQuestionMarks)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = cp1252ToUtf8(all);
    EXPECT_EQ(charactersOutsideCp1252(utf8), "") << "every character read comes back in";
    std::string expected = all;
    std::replace_if(expected.begin(), expected.end(), unassigned, '?');
    EXPECT_EQ(utf8ToCp1252(utf8), expected);
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(one)), unassigned(one[0]) ? "?" : one) << "code " << b;
    }

    // The code page's own characters, where Latin-1 and it part and where they meet.
    EXPECT_EQ(cp1252ToUtf8("A\x80\x8A\x97\x99\x9F\xA0\xE4\xFF"),
              "A\xE2\x82\xAC\xC5\xA0\xE2\x80\x94\xE2\x84\xA2\xC5\xB8\xC2\xA0\xC3\xA4\xC3\xBF");
    EXPECT_EQ(cp1252ToUtf8(kUnassigned), "?????");
    // The C1 control characters the unassigned codes stand for in Latin-1 are no
    // characters of this code page: they go out as "?" and are named.
    EXPECT_EQ(utf8ToCp1252("\xC2\x81\xC2\x9D"), "??");
    EXPECT_EQ(charactersOutsideCp1252("\xC2\x81 \xC2\x9D"), "\xC2\x81\xC2\x9D");
}

TEST(Cp1252, CharactersOutsideAndMalformedUtf8_BecomeOneQuestionMarkEach_AndAreNamedOnceInTheOrderMet)
{
    EXPECT_EQ(utf8ToCp1252("Pump \xE2\x82\xAC \xC3\xA4 \xE2\x80\x94"), "Pump \x80 \xE4 \x97");
    EXPECT_EQ(utf8ToCp1252("a\xE4\xB8\xAD" "b\xF0\x9F\x98\x80"), "a?b?");
    // A literal "?" fits; what is missing is named once however often it comes.
    EXPECT_EQ(charactersOutsideCp1252("Temp\xC3\xA9rature \xE2\x82\xAC?"), "");
    EXPECT_EQ(charactersOutsideCp1252("\xCE\xA9 T \xCE\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80"),
              "\xCE\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");

    // A stray continuation byte, a sequence cut short by a plain character or by the end,
    // leads no character may start with, overlong forms (of "A" and "/"), a surrogate and
    // a code point past U+10FFFF: none of them may become a character of the text.
    const struct {
        std::string bytes, sent;
    } malformed[] = {{"\x80", "?"},          {"\xE2\x82", "?"},         {"\xC0\xAF", "??"},
                     {"\xE0\x81\x81", "?"},  {"\xF0\x80\x80\xAF", "?"}, {"\xED\xA0\x80", "?"},
                     {"\xF4\x90\x80\x80", "?"}, {"\xF8", "?"},            {"\xFF", "?"}};
    for (const auto& [bytes, sent] : malformed) {
        EXPECT_EQ(utf8ToCp1252("<" + bytes + ">"), "<" + sent + ">") << bytes.size() << " bytes";
        EXPECT_EQ(charactersOutsideCp1252("<" + bytes + ">" + bytes), bytes) << bytes.size() << " bytes";
        EXPECT_EQ(utf8Length("<" + bytes + ">"), std::nullopt) << bytes.size() << " bytes";
    }
    EXPECT_EQ(utf8ToCp1252("\xE2\x82" "A \xC3"), "?A ?");
    // Well-formed text is counted in characters, whatever the code page lacks; the
    // largest code point and the first after the surrogates count too.
    EXPECT_EQ(utf8Length(""), 0u);
    EXPECT_EQ(utf8Length("a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF\xEE\x80\x80"), 6u);
}

TEST(Cp1252, TextsThatWouldLoseCharactersAreNamedEachOnItsLine_LongAndManyCutShort)
{
    TextsOutsideCp1252 texts;
    texts.check("title", "Pompe \xE2\x84\x96 3 \xE2\x80\x93 \xE6\xB8\xA9\xE5\xBA\xA6");   // "№" and two ideographs
    texts.check("message 2", "Temp\xC3\xA9rature \xE2\x82\xAC");                         // fits: not named
    texts.check("comment", "first line \xCE\xA9\r\nsecond line");
    texts.check("block 9 comment", std::string(45, 'x') + "\xCE\xA9");
    EXPECT_EQ(texts.lines(), (std::vector<std::string>{
                                 "title \"Pompe \xE2\x84\x96 3 \xE2\x80\x93 \xE6\xB8\xA9\xE5\xBA\xA6\": "
                                 "\xE2\x84\x96\xE6\xB8\xA9\xE5\xBA\xA6",
                                 "comment \"first line \xCE\xA9...\": \xCE\xA9",
                                 "block 9 comment \"" + std::string(40, 'x') + "...\": \xCE\xA9"}));
    EXPECT_EQ(texts.message("Lost:", "Go on?"), "Lost:\r" + texts.lines()[0] + "\r" + texts.lines()[1] + "\r"
                                                    + texts.lines()[2] + "\r\rGo on?");
    for (int n = 0; n < 12; ++n)
        texts.check("tag " + std::to_string(n), "\xCE\xA9");
    const std::string many = texts.message("Lost:");
    EXPECT_EQ(many.substr(many.rfind('\r')), "\rand 3 more");
    EXPECT_EQ(std::count(many.begin(), many.end(), '\r'), 13);
}
