#include "orvane/link/Link.h"
#include "orvane/link/Protocol.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace orvane::link;

TEST(CheckBytes, PollFrameIsOneFfFe)
{
    Link link;
    link.xmit_bfr[0] = 0x01;
    link.sum_xmit_bfr(0);
    EXPECT_EQ(link.xmit_bfr[1], 0xFF);
    EXPECT_EQ(link.xmit_bfr[2], 0xFE);
}

TEST(CheckBytes, LongBodyOfFfWrapsAndStaysInBytes)
{
    Link link;
    for (int i = 0; i < 133; ++i)
        link.xmit_bfr[i] = 0xFF;
    link.sum_xmit_bfr(132);
    const unsigned sum = (133u * 255u) % 65536u;
    EXPECT_EQ(link.xmit_bfr[133], 255 - sum / 256);
    EXPECT_EQ(link.xmit_bfr[134], 255 - sum % 256);
}

TEST(CheckBytes, SumBeyond65535WrapsModulo65536)
{
    std::array<uint8_t, 300> body;
    body.fill(0xFF); // 300 * 255 = 76500 -> 10964 = 0x2AD4
    const auto check = checkBytes(body.data(), body.size() - 1);
    EXPECT_EQ(check[0], 255 - 0x2A);
    EXPECT_EQ(check[1], 255 - 0xD4);
}

TEST(ValueEncoding, SignedSixteenBitHighByteFirst)
{
    EXPECT_EQ(decodeSigned16(0xFF, 0xFF), -1);
    EXPECT_EQ(decodeSigned16(0x80, 0x00), -32768);
    EXPECT_EQ(decodeSigned16(0x7F, 0xFF), 32767);
    EXPECT_EQ(decodeSigned16(0x01, 0x02), 258);
}

TEST(WireText, Cp1252RoundTripsEuroUmlautAndAscii)
{
    const std::string utf8 = "Pump \xE2\x82\xAC \xC3\xA4 \xE2\x80\x94";
    const std::string wire = utf8ToCp1252(utf8);
    EXPECT_EQ(wire, std::string("Pump \x80 \xE4 \x97"));
    EXPECT_EQ(cp1252ToUtf8(wire), utf8);
}

TEST(WireText, CharacterOutside1252BecomesQuestionMark)
{
    EXPECT_EQ(utf8ToCp1252("a\xE4\xB8\xAD" "b"), "a?b");
}

TEST(WireText, LineTextShownToAPerson_ControlCharactersAndUnassignedCodesAreQuestionMarks)
{
    // An identification text with an escape sequence that would retitle a terminal.
    EXPECT_EQ(printableText(std::string("ORV\x1B]0;x\x07\x81 2.50\x7F\xE9\0!\0\0", 21)),
              "ORV?]0;x?? 2.50?\xC3\xA9?!");  // padding NULs at the end dropped
    EXPECT_EQ(cp1252ToUtf8("\x81\x80"), "?\xE2\x82\xAC");
    // What a download cannot carry: each missing character once, a literal "?" is fine.
    EXPECT_EQ(charactersOutsideCp1252("Temp\xC3\xA9rature \xE2\x82\xAC?"), "");
    EXPECT_EQ(charactersOutsideCp1252("\xCE\xA9 T \xCE\xA9 \xE4\xB8\xAD"), "\xCE\xA9\xE4\xB8\xAD");
    EXPECT_EQ(utf8ToCp1252("Temp\xC3\xA9rature"), "Temp\xE9rature");
}

TEST(WireText, TextsThatWouldLoseCharactersAreNamedEachOnItsLine_LongAndManyCutShort)
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
