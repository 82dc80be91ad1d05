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

TEST(WireText, LineTextShownToAPerson_ControlCharactersAndUnassignedCodesAreQuestionMarks)
{
    // An identification text with an escape sequence that would retitle a terminal.
    EXPECT_EQ(printableText(std::string("ORV\x1B]0;x\x07\x81 2.50\x7F\xE9\0!\0\0", 21)),
              "ORV?]0;x?? 2.50?\xC3\xA9?!");  // padding NULs at the end dropped
    EXPECT_EQ(printableText(std::string("\0\0", 2)), "");
    EXPECT_EQ(printableText("\x80\x9F"), "\xE2\x82\xAC\xC5\xB8");
}
