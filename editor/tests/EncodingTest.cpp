#include "core/Encoding.h"

#include <gtest/gtest.h>

using namespace brevant;

TEST(ValueEncoding, RoundsHalvesToEven)
{
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(1e12), 2147483647);
}

TEST(ValueEncoding, ShowsThousandthsWithTheirDecimals)
{
    EXPECT_EQ(showPlain(1500, 2), "1.50");
    EXPECT_EQ(showPlain(1500, 0), "1500");
    EXPECT_EQ(showPlain(-250, 1), "-0.2");   // -0.25 to one decimal
    EXPECT_EQ(showPlain(7, 3), "0.007");
    EXPECT_EQ(showPlain(7, 5), "");
    EXPECT_EQ(showVariable(1234, 1), "123.4");
    EXPECT_EQ(showVariable(1234, 0), "1234");
    EXPECT_EQ(showVariable(1234, 4), "0.1234");
}

TEST(CellCommit, InputLinkAcceptsOnlyBlockNumbers)
{
    EXPECT_TRUE(checkInputLink("159").store);
    EXPECT_EQ(checkInputLink(" 12 ").stored, 12);
    for (const char* bad : {"160", "-1", "12a", "", "1,5", "abc"}) {
        const CommitResult r = checkInputLink(bad);
        EXPECT_FALSE(r.store) << bad;
        EXPECT_EQ(r.message, QString("Enter A Block Number\r        0 to 159")) << bad;
    }
}

TEST(CellCommit, PlainParameterWithDecimalsStoresThousandths)
{
    CommitResult r = checkPlain("2.5", 0, 10000, 2);
    ASSERT_TRUE(r.store);
    EXPECT_EQ(r.stored, 2500);
    EXPECT_EQ(r.shown, "2.50");

    r = checkPlain("100", 0, 100000, 1);
    ASSERT_TRUE(r.store);
    EXPECT_EQ(r.stored, 100000);

    r = checkPlain("100.1", 0, 100000, 1);
    EXPECT_FALSE(r.store);
    EXPECT_EQ(r.message, QString("Invalid Parameter Value\rMin   0  Max  100"));

    r = checkPlain("x", -5, 2500, 1);
    EXPECT_FALSE(r.store);
    EXPECT_EQ(r.message, QString("Invalid Parameter Value\rMin   -5  Max  2500"));
}

TEST(CellCommit, LimitsAreInclusive)
{
    EXPECT_TRUE(checkPlain("-5", -5, 5, 0).store);
    EXPECT_TRUE(checkPlain("5", -5, 5, 0).store);
    EXPECT_FALSE(checkPlain("5.1", -5, 5, 0).store);
}

TEST(CellCommit, VariableDecimalsScaleLimitsAndValue)
{
    CommitResult r = checkVariable("12.34", 0, 99999, 2);
    ASSERT_TRUE(r.store);
    EXPECT_EQ(r.stored, 1234);
    EXPECT_EQ(r.shown, "12.34");
    r = checkVariable("1000", 0, 99999, 2);
    EXPECT_FALSE(r.store);
    EXPECT_EQ(r.message, QString("Invalid Parameter Value\rMin   0  Max  999.99"));
    r = checkVariable("7", 0, 9, 0);
    EXPECT_EQ(r.stored, 7);
    EXPECT_EQ(r.shown, "7");
}

TEST(CellCommit, DecimalOutsideRangeStoresNothing)
{
    const CommitResult r = checkPlain("3", 0, 10, 7);
    EXPECT_FALSE(r.store);
    EXPECT_TRUE(r.message.isEmpty());
}

TEST(CellCommit, TextIsUpperCasedCutAndNeverEmpty)
{
    EXPECT_EQ(checkText("tank level").text, "TANK LEVEL");
    EXPECT_TRUE(checkText("tank level").message.isEmpty());
    EXPECT_EQ(checkText("").text, " ");
    const TextResult r = checkText("abcdefghijklmnopqrs");
    EXPECT_EQ(r.text, "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(r.message, QString("String Too Long\rUsing ABCDEFGHIJKLMNOP"));
}
