// The builder against broken copies of the real catalogue text, and the real
// built catalogue against what the editor, download, report and compare need.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeAll(const fs::path& p, const std::string& text)
{
    std::ofstream(p, std::ios::binary) << text;
}

struct BuildResult {
    int exitCode = -1;
    std::string output;
};

class BrokenCatalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("catalogue-test-" + std::to_string(::getpid()) + "-"
                                            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "data");
        for (const auto& e : fs::directory_iterator(CATALOGUE_DATA))
            fs::copy_file(e.path(), dir_ / "data" / e.path().filename());
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Replaces the first match of pattern in a data file; fails when absent.
    void edit(const std::string& file, const std::string& pattern, const std::string& replacement)
    {
        const std::string text = readAll(dir_ / "data" / file);
        const std::regex re(pattern, std::regex::multiline);
        ASSERT_TRUE(std::regex_search(text, re)) << pattern << " not in " << file;
        writeAll(dir_ / "data" / file, std::regex_replace(text, re, replacement, std::regex_constants::format_first_only));
    }
    void append(const std::string& file, const std::string& line)
    {
        writeAll(dir_ / "data" / file, readAll(dir_ / "data" / file) + line + "\n");
    }

    BuildResult build()
    {
        const std::string cmd = std::string("'") + CATALOGUE_BUILDER + "' '" + (dir_ / "data").string() + "' '"
            + CATALOGUE_SCHEMA + "' '" + output().string() + "' 2>&1";
        BuildResult run;
        FILE* pipe = ::popen(cmd.c_str(), "r");
        std::array<char, 512> buf{};
        while (pipe && std::fgets(buf.data(), buf.size(), pipe))
            run.output += buf.data();
        const int status = pipe ? ::pclose(pipe) : -1;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }
    fs::path output() const { return dir_ / "OrvaneDATA.DAT"; }

    // The build must fail, leave no file, and name the rule (and file:line).
    void expectRefused(const std::string& rule, const std::string& where)
    {
        const BuildResult run = build();
        EXPECT_NE(run.exitCode, 0) << run.output;
        EXPECT_NE(run.output.find(rule), std::string::npos) << "rule \"" << rule << "\" not named in:\n" << run.output;
        EXPECT_NE(run.output.find(where), std::string::npos) << "\"" << where << "\" not named in:\n" << run.output;
        EXPECT_FALSE(fs::exists(output()));
        for (const auto& e : fs::directory_iterator(dir_))
            EXPECT_EQ(e.path().filename().string().find("OrvaneDATA.DAT.tmp"), std::string::npos) << "temporary left";
    }

    fs::path dir_;
};

TEST_F(BrokenCatalogue, UnchangedCopy_Builds)
{
    const BuildResult run = build();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(fs::exists(output()));
}

TEST_F(BrokenCatalogue, DuplicateKeys_RefusedInEveryTable)
{
    append("funcs.tsv", "50\tAND2\t8\t0\t4\t0\t0\t0\t0\t0\t2");
    append("inputs.tsv", "3\t1\tOutput value\tOUT\t2\t1");
    append("params.tsv", "3\t1\tCHANNEL\t0\t1\t8\t1\t0\t2\t2");
    append("auxoutputs.tsv", "2\tA\t1\tUNFILTERED PV");
    const BuildResult run = build();
    EXPECT_NE(run.exitCode, 0);
    for (const char* file : {"funcs.tsv:", "inputs.tsv:", "params.tsv:", "auxoutputs.tsv:"})
        EXPECT_NE(run.output.find(std::string(file)), std::string::npos) << file << "\n" << run.output;
    EXPECT_NE(run.output.find("duplicate key"), std::string::npos);
    EXPECT_FALSE(fs::exists(output()));
}

TEST_F(BrokenCatalogue, MinAboveMax_Refused)
{
    edit("params.tsv", "^3\t1\tCHANNEL\t0\t1\t8\t", "3\t1\tCHANNEL\t0\t9\t8\t");
    expectRefused("limits", "params.tsv:");
}

TEST_F(BrokenCatalogue, DefaultOutsideLimits_Refused)
{
    edit("params.tsv", "^3\t1\tCHANNEL\t0\t1\t8\t1\t", "3\t1\tCHANNEL\t0\t1\t8\t9\t");
    expectRefused("Default 9 is outside", "params.tsv:");
}

TEST_F(BrokenCatalogue, PlainDecimalOutsideZeroToThree_Refused)
{
    edit("params.tsv", "^10\t1\tGAIN\t0\t0\t100000\t1000\t3\t", "10\t1\tGAIN\t0\t0\t100000\t1000\t4\t");
    expectRefused("decimals", "params.tsv:");
}

TEST_F(BrokenCatalogue, RowCountsNotMatchingDeclaredCounts_Refused)
{
    edit("funcs.tsv", "^3\tAOUT\t25\t0\t1\t5\t", "3\tAOUT\t25\t0\t2\t5\t");
    expectRefused("input rows", "has no row 2");
}

TEST_F(BrokenCatalogue, ParameterGap_Refused)
{
    edit("params.tsv", "^3\t3\t[^\n]*\n", "");
    expectRefused("parameter rows", "has no row 3");
}

TEST_F(BrokenCatalogue, HiddenParametersCounted)
{
    edit("funcs.tsv", "^10\tPID\t120\t8\t7\t11\t2\t", "10\tPID\t120\t8\t7\t11\t1\t");
    expectRefused("parameter rows", "13 of function 10 is beyond");
}

TEST_F(BrokenCatalogue, AuxOutputsNotMatchingCounts_Refused)
{
    edit("funcs.tsv", "^2\tAIN\t30\t0\t0\t7\t0\t0\t2\t3\t", "2\tAIN\t30\t0\t0\t7\t0\t0\t2\t4\t");
    expectRefused("aux output rows", "auxiliary discrete outputs but has no row 4");
}

TEST_F(BrokenCatalogue, RowOfUnknownFunction_Refused)
{
    append("inputs.tsv", "200\t1\tInput\tIN\t2\t1");
    expectRefused("unknown function", "inputs.tsv:");
}

TEST_F(BrokenCatalogue, MissingVersion_Refused)
{
    writeAll(dir_ / "data" / "version.txt", "# nothing\n");
    expectRefused("version", "version.txt");
}

TEST_F(BrokenCatalogue, FunctionNumberBeyondOneByte_Refused)
{
    append("funcs.tsv", "256\tBIG\t8\t0\t0\t0\t0\t0\t0\t0\t0");
    expectRefused("function number", "funcs.tsv:");
}

TEST_F(BrokenCatalogue, TextParameterWithoutMessageNumber_Refused)
{
    edit("params.tsv", "^96\t51\tALARM 10 TEXT\t19\t", "96\t51\tALARM 10 TEXT\t20\t");
    expectRefused("message offset", "params.tsv:");
}

TEST_F(BrokenCatalogue, VariableDecimalsShownAndEditedFromDifferentRows_Refused)
{
    // Parameter 3 of SETPT is odd: shown from 2; with 2 not Type 2 it is edited from 1.
    edit("params.tsv", "^97\t2\tDECIMAL PLACES\t0\t0\t4\t1\t0\t2\t2", "97\t2\tDECIMAL PLACES\t0\t0\t4\t1\t0\t2\t1");
    expectRefused("variable decimals", "shows its decimals from parameter 2 but edits them from parameter 1");
}

TEST_F(BrokenCatalogue, VariableDecimalsParameterBeyondFour_Refused)
{
    edit("params.tsv", "^97\t2\tDECIMAL PLACES\t0\t0\t4\t", "97\t2\tDECIMAL PLACES\t0\t0\t5\t");
    expectRefused("variable decimals", "limits within 0..4");
}

TEST_F(BrokenCatalogue, VariableDecimalsWithoutDecimalsParameter_Refused)
{
    edit("params.tsv", "^97\t1\tOPERATOR ADJUST\t0\t0\t1\t1\t0\t1\t2", "97\t1\tOPERATOR ADJUST\t0\t0\t1\t1\t0\t1\t4");
    expectRefused("variable decimals", "Type 4 parameter 1 shows its decimals from parameter 0");
}

TEST_F(BrokenCatalogue, InputTypeOtherThanAnalogOrDiscrete_Refused)
{
    edit("inputs.tsv", "^3\t1\tOutput value\tOUT\t2\t1", "3\t1\tOutput value\tOUT\t2\t3");
    expectRefused("input type", "inputs.tsv:");
}

TEST_F(BrokenCatalogue, NopWithParameters_Refused)
{
    edit("funcs.tsv", "^127\tNOP\t0\t0\t0\t0\t", "127\tNOP\t0\t0\t0\t1\t");
    append("params.tsv", "127\t1\tX\t0\t0\t1\t0\t0\t2\t2");
    expectRefused("NOP", "function 127 must be");
}

TEST_F(BrokenCatalogue, MissingNop_Refused)
{
    edit("funcs.tsv", "^127\tNOP[^\n]*\n", "");
    expectRefused("NOP", "funcs.tsv");
}

TEST_F(BrokenCatalogue, AuxSelectorMaxBelowLargestOffer_Refused)
{
    edit("params.tsv", "^120\t1\tAUX OUTPUT NUMBER\t0\t0\t4\t", "120\t1\tAUX OUTPUT NUMBER\t0\t0\t3\t");
    expectRefused("aux selector", "AABO parameter 1 must be");
}

TEST_F(BrokenCatalogue, MissingDabo_Refused)
{
    edit("funcs.tsv", "^121\tDABO", "121\tDSEL");
    expectRefused("aux selector", "\"DABO\" is missing");
}

TEST_F(BrokenCatalogue, ShortParameterBeyondSixteenBits_Refused)
{
    edit("params.tsv", "^3\t1\tCHANNEL\t0\t1\t8\t", "3\t1\tCHANNEL\t0\t1\t40000\t");
    expectRefused("wire range", "params.tsv:");
}

TEST_F(BrokenCatalogue, DisplayGroupOutOfLayout_Refused)
{
    edit("params.tsv", "^96\t6\tCH 2 DECIMALS\t0\t0\t4\t1\t0\t1\t2", "96\t6\tCH 2 DECIMALS\t0\t0\t4\t1\t0\t1\t1");
    expectRefused("function 96 layout", "parameter 6 must be Type 2");
}

TEST_F(BrokenCatalogue, NameBadForBlockMap_Refused)
{
    edit("funcs.tsv", "^26\tABS\t", "26\tAbsolute\t");
    expectRefused("function name", "funcs.tsv:");
}

TEST_F(BrokenCatalogue, CharacterOutsideWindows1252_Refused)
{
    edit("inputs.tsv", "^3\t1\tOutput value", "3\t1\tOutput \xE2\x86\x92 value");
    expectRefused("text", "inputs.tsv:");
}

TEST_F(BrokenCatalogue, FailedBuild_KeepsExistingCatalogue)
{
    ASSERT_EQ(build().exitCode, 0);
    const std::string before = readAll(output());
    append("funcs.tsv", "256\tBIG\t8\t0\t0\t0\t0\t0\t0\t0\t0");
    EXPECT_NE(build().exitCode, 0);
    EXPECT_EQ(readAll(output()), before);
}

// The catalogue as built for the programs.
class BuiltCatalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(sqlite3_open_v2((fs::path(ORVANE_BIN_DIR) / "OrvaneDATA.DAT").c_str(), &db_, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    }
    void TearDown() override { sqlite3_close(db_); }
    int64_t number(const std::string& sql)
    {
        sqlite3_stmt* s = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr), SQLITE_OK) << sql;
        int64_t v = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
        sqlite3_finalize(s);
        return v;
    }
    sqlite3* db_ = nullptr;
};

TEST_F(BuiltCatalogue, SystemBlocksAndNop)
{
    EXPECT_EQ(number("SELECT COUNT(*) FROM Funcs WHERE FN IN (0, 1, 90, 91)"), 4);
    EXPECT_EQ(number("SELECT COUNT(*) FROM Funcs WHERE FN = 127 AND FName = 'NOP' AND Inputs = 0 AND Params = 0 AND Hidden = 0"), 1);
    EXPECT_EQ(number("SELECT COUNT(*) FROM Params WHERE FN = 127") + number("SELECT COUNT(*) FROM Inputs WHERE FN = 127"), 0);
    EXPECT_GE(number("SELECT COUNT(*) FROM Funcs"), 60);
    EXPECT_EQ(number("SELECT COUNT(*) FROM Version"), 1);
}

TEST_F(BuiltCatalogue, DisplayGroupLayout)
{
    EXPECT_GE(number("SELECT Params FROM Funcs WHERE FN = 96"), 42);
    for (int g = 0; g < 10; ++g) {
        const int first = 2 + 4 * g;
        const auto row = [&](int pn, const char* cond) {
            return number("SELECT COUNT(*) FROM Params WHERE FN = 96 AND PN = " + std::to_string(pn) + " AND " + cond);
        };
        EXPECT_EQ(row(first, "Type = 2 AND Min >= 0 AND Max <= 4"), 1) << first;
        EXPECT_EQ(row(first + 1, "Type = 4"), 1) << first + 1;
        EXPECT_EQ(row(first + 2, "Type = 4"), 1) << first + 2;
        EXPECT_EQ(row(first + 3, ("Type = 3 AND Offset = " + std::to_string(g)).c_str()), 1) << first + 3;
    }
    EXPECT_EQ(number("SELECT COUNT(*) FROM Params WHERE FN = 96 AND PN >= 42 AND (Type <> 3 OR Offset <> PN - 32)"), 0);
}

TEST_F(BuiltCatalogue, AuxSelectorsOfferEveryAuxOutput)
{
    for (const char* name : {"AABO", "DABO"}) {
        const std::string kind = name[0] == 'A' ? "AuxAnalogs" : "AuxDiscretes";
        EXPECT_EQ(number(std::string("SELECT p.Max FROM Params p JOIN Funcs f ON f.FN = p.FN WHERE f.FName = '") + name + "' AND p.PN = 1"),
                  number("SELECT MAX(" + kind + ") FROM Funcs")) << name;
        EXPECT_EQ(number(std::string("SELECT p.Min + p.\"Default\" FROM Params p JOIN Funcs f ON f.FN = p.FN WHERE f.FName = '") + name
                         + "' AND p.PN = 1"), 0);
    }
    EXPECT_GE(number("SELECT COUNT(*) FROM Funcs WHERE AuxAnalogs > 0"), 3);
    EXPECT_GE(number("SELECT COUNT(*) FROM Funcs WHERE AuxDiscretes > 0"), 3);
}

TEST_F(BuiltCatalogue, AllTypesDecimalsAndRomFunctions)
{
    for (int type = 1; type <= 4; ++type)
        EXPECT_GT(number("SELECT COUNT(*) FROM Params WHERE Type = " + std::to_string(type)), 0) << type;
    for (int dec = 0; dec <= 3; ++dec)
        EXPECT_GT(number("SELECT COUNT(*) FROM Params WHERE Type IN (1, 2) AND Decimal = " + std::to_string(dec)), 0) << dec;
    EXPECT_EQ(number("SELECT COUNT(*) FROM Funcs WHERE FN IN (4, 6, 94, 84, 100)"), 5);
    EXPECT_GT(number("SELECT COUNT(*) FROM Funcs WHERE Hidden > 0"), 0);
}

TEST_F(BuiltCatalogue, CapacityLimitsReachableBothWays)
{
    // 156 free blocks plus the four system blocks: the smallest stay under 1280 constants, the largest go over.
    const int64_t system = number("SELECT SUM(Inputs + Params + Hidden) FROM Funcs WHERE FN IN (0, 1, 90, 91)");
    EXPECT_LE(system + 156 * number("SELECT MIN(Inputs + Params + Hidden) FROM Funcs WHERE FN <> 127 AND Single = 0"), 1280);
    EXPECT_GT(system + 156 * number("SELECT MAX(Inputs + Params + Hidden) FROM Funcs WHERE Single = 0"), 1280);
    EXPECT_GT(number("SELECT SUM(VolRam) FROM Funcs"), 58);
    EXPECT_EQ(number("SELECT COUNT(*) FROM Funcs WHERE Icycle <= 0 AND FN <> 127"), 0);
}

} // namespace
