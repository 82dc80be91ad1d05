// The text form written from and built back into real configurations with the built
// catalogue; "the same bytes" is what a download of each writes into a controller.
#include "SimSupport.h"

#include "orvane/formats/ConfigurationText.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace orvane::formats;
using namespace orvane::transfer;
using namespace orvane::transfer::testing;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

// Builds `text` into a new configuration of the store and returns what went wrong.
std::optional<TextFault> build(StoreFixture& store, const QString& name, const QString& text)
{
    store.newConfiguration(name);
    return importConfiguration(store.db, text.toUtf8());
}

// Every function of the catalogue on a block, every input linked and every parameter
// away from its default within its limits; texts with quotes, backslashes, line ends,
// tabs, blanks and letters beyond ASCII. Blocks 0 to 3 keep a new configuration's
// functions without constant rows.
void fillWithEveryFunction(StoreFixture& store)
{
    std::map<int16_t, int16_t> functions;
    int16_t block = 4;
    for (const auto& [number, f] : store.catalogue)
        if (number != 127)
            functions[block++] = number;
    store.setFunctions(functions);
    kessig::OrvaneDB& db = store.db;
    for (const auto& [b, number] : functions) {
        const FunctionInfo& f = store.catalogue.at(number);
        for (int i = 0; i < f.inputs; ++i)
            store.setConstant(b, static_cast<int16_t>(i), (b * 3 + i) % 160);
        for (int p = 1; p <= f.params; ++p) {
            db.ParamSeek(number, static_cast<int16_t>(p));
            const int64_t span = int64_t(db.ParamMax()) - db.ParamMin() + 1;
            if (db.ParamType() != 3 && span > 1)
                store.setConstant(b, static_cast<int16_t>(f.inputs + p - 1),
                                  static_cast<int32_t>(db.ParamMin() + (b * 7919 + p * 104729) % span));
        }
        db.BlockSeek(b);
        db.BlockEdit();
        db.BlockComment("block " + std::to_string(b) + " \"quoted\" \\ back\r\nsecond line\tTab  ");
        db.BlockVisioComment(b % 5 == 0 ? "FT-" + std::to_string(b) + " \xC3\x84\xC3\x96\xC3\x9C \xE2\x80\x93" : "");
        db.BlockUpdate();
    }
    for (int16_t m = 0; m < 20; ++m)
        store.setMessage(m, "MSG \"" + std::to_string(m) + "\" \xC3\x84");
    // A code 0 inside a text (legacy files hold such texts) is kept, its padding is not.
    store.setMessage(19, std::string("INLET\0FLOW\0\0", 12));
    store.setQuick(3, "FLOW \\ TOTAL", 12, 2);
    db.CommentEdit();
    db.CommentTitle("Every function");
    db.CommentConfig("ALL-1");
    db.CommentComment("first\r\n\r\nthird \"line\"\r\n");
    db.CommentUpdate();
}

// An edit of a good text, and the fault the edited text is refused with.
struct RefusedEdit {
    QString from, to, fault;
};

// Each edit of `good` alone is refused with its fault, and nothing is built: block 20
// keeps a new configuration's NOP.
void expectEachRefused(StoreFixture& store, const QString& good, const std::vector<RefusedEdit>& edits)
{
    for (const RefusedEdit& e : edits) {
        SCOPED_TRACE(e.to.toStdString());
        QString text = good;
        ASSERT_TRUE(text.contains(e.from));
        text.replace(e.from, e.to);
        const auto fault = build(store, "built.mdb", text);
        ASSERT_TRUE(fault.has_value());
        EXPECT_EQ(fault->text(), e.fault);
        store.db.BlockSeek(20);
        EXPECT_EQ(store.db.BlockFn(), 127);
        QFile::remove(store.folder() + "/built.mdb");
    }
}

} // namespace

TEST(ConfigurationText, SampleAndEveryFunctionComeBackAsTheSameTextAndDownload)
{
    StoreFixture store;
    const QString sample = store.folder() + "/sample.mdb";
    ASSERT_TRUE(QFile::copy(binDir() + "/samples/Sample Plant.mdb", sample));
    QFile::setPermissions(sample, QFile::ReadOwner | QFile::WriteOwner);
    store.open(sample);
    const QString sampleText = exportConfiguration(store.db);
    const auto sampleMemory = expectedMemory(store.read(), store.catalogue);

    store.newConfiguration("every.mdb");
    fillWithEveryFunction(store);
    const QString everyText = exportConfiguration(store.db);
    const auto everyMemory = expectedMemory(store.read(), store.catalogue);
    EXPECT_TRUE(everyText.contains("  comment = \"block 20 \\\"quoted\\\" \\\\ back\\r\\n\"\n"
                                   "            \"second line\\tTab  \"\n"));
    EXPECT_TRUE(everyText.contains("\ndescription = \"first\\r\\n\"\n              \"\\r\\n\"\n"));
    EXPECT_TRUE(everyText.contains("\nmessage 19 = \"INLET\\x00FLOW\"\n"));

    for (const auto& [name, text, memory] : {std::tuple{"sample", sampleText, sampleMemory},
                                             std::tuple{"every function", everyText, everyMemory}}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(build(store, QString(name) + ".rebuilt.mdb", text), std::nullopt);
        EXPECT_EQ(exportConfiguration(store.db), text);
        EXPECT_EQ(expectedMemory(store.read(), store.catalogue), memory);
    }
    // The sample shows its inputs, parameters with shown and stored values and comments.
    EXPECT_TRUE(sampleText.startsWith("orvane configuration text 1\n\ntitle = \"Sample Plant - Tank Farm\"\n"));
    EXPECT_TRUE(sampleText.contains("\nblock 20: PID (function 10)\n  comment = \"LIC-101 tank 1 level control\"\n"
                                    "  input 1 = 10  # Process variable\n"));
    EXPECT_TRUE(sampleText.contains("  parameter 4 = 50.00 (stored 50000)  # LOCAL SETPOINT\n"));
    EXPECT_TRUE(sampleText.contains("\nblock 0: SYSTEM (function 0)\n\nblock 1: DIAG (function 1)\n"));
    EXPECT_TRUE(sampleText.endsWith("quick 7 = \"QMSG 8\" (block 4, parameter 1)\n"));
}

TEST(ConfigurationText, FaultsAreRefusedWithTheirLineAndNothingIsBuilt)
{
    StoreFixture store;
    store.newConfiguration("plant.mdb");
    store.setFunctions({{20, 10}, {7, 96}});
    store.setConstant(7, 20 + 1, 2);     // CH 1 DECIMALS: 2
    store.setConstant(7, 20 + 3, 12345); // CH 1 SCALE HIGH: 123.45
    store.setMessage(0, "TANK LEVEL");
    const QString good = exportConfiguration(store.db);
    ASSERT_TRUE(good.contains("  parameter 4 = 123.45 (stored 12345)  # CH 1 SCALE HIGH\n")) << good.toStdString();
    ASSERT_TRUE(good.contains("  parameter 5 = \"TANK LEVEL\" (stored 0)  # CH 1 LABEL\n"));
    const auto lineOf = [&](const QString& part) { return good.left(good.indexOf(part)).count('\n') + 1; };
    const int pid = lineOf("block 20: PID");

    const std::vector<RefusedEdit> cases = {
        {"orvane configuration text 1", "orvane text",
         "line 1: this is no Orvane configuration text (it begins with \"orvane configuration text 1\")"},
        {"block 20: PID (function 10)", "block 20: PID (function 200)",
         QString("line %1: function 200 is not in the catalogue").arg(pid)},
        {"block 20: PID (function 10)", "block 20: PIDX (function 10)",
         QString("line %1: function 10 is PID in the catalogue, not PIDX").arg(pid)},
        {"block 20: PID (function 10)", "block 160: PID (function 10)",
         QString("line %1: a block number must be 0 to 159, not 160").arg(pid)},
        {"  parameter 1 = 1.000 (stored 1000)  # GAIN", "  parameter 1 = 99999.000 (stored 99999000)  # GAIN",
         QString("line %1: parameter 1 of block 20 (PID) stores 99999000, outside its limits 0 to 100000")
             .arg(lineOf("  parameter 1 = 1.000"))},
        {"  input 1 = 0  # Process variable", "  input 1 = 160  # Process variable",
         QString("line %1: input 1 of block 20 (PID) takes a block number 0 to 159, not 160").arg(lineOf("  input 1 = 0  # Process variable"))},
        {"parameter 4 = 123.45 (stored 12345)", "parameter 4 = 1.2345 (stored 12345)",
         QString("line %1: parameter 4 of block 7 (DSPGROUP) shows \"123.45\" for what it stores, not \"1.2345\"")
             .arg(lineOf("parameter 4 = 123.45"))},
        {"parameter 5 = \"TANK LEVEL\"", "parameter 5 = \"TANK\"",
         QString("line %1: parameter 5 of block 7 (DSPGROUP) shows \"TANK LEVEL\" for what it stores, not \"TANK\"")
             .arg(lineOf("parameter 5 = \"TANK LEVEL\""))},
        {"  parameter 2 = 1.00 (stored 1000)  # RESET", "  parameter 2 = 1.00 stored 1000  # RESET",
         QString("line %1: malformed line (it does not follow its form; the line must read: parameter N = VALUE (stored S))")
             .arg(lineOf("  parameter 2 = 1.00"))},
        {"  hidden 2 = 0\n", "",
         QString("line %1: block 20 (PID) gives 19 of its 20 constants; hidden constant 2 is missing").arg(pid)},
        {"  hidden 2 = 0\n", "  hidden 2 = 0\n  hidden 3 = 0\n",
         QString("line %1: PID has no hidden constant 3").arg(lineOf("  hidden 2 = 0") + 1)},
        {"  hidden 2 = 0\n", "  hidden 2 = 0\n  hidden 2 = 1\n",
         QString("line %1: hidden 2 of block 20 is given twice (first on line %2)")
             .arg(lineOf("  hidden 2 = 0") + 1).arg(lineOf("  hidden 2 = 0"))},
        {"message 19 = \"ALM 10\"\n", "",
         QString("line %1: message 19 is missing; a configuration holds messages 0 to 19").arg(good.count('\n') - 1)},
        {"message 0 = \"TANK LEVEL\"", "message 0 = \"TANK LEVEL TOO HIGH\"",
         QString("line %1: message 0 must have 1 to 16 characters").arg(lineOf("message 0 = "))},
        {"title = \"\"", "title = \"a \\q\"",
         "line 3: malformed line (unknown escape \\q in a quoted text; the line must read: title = \"text\")"},
        {"title = \"\"", "title = \"open", "line 3: malformed line (a quoted text has no closing quote; the line must read: title = \"text\")"},
        {"title = \"\"", "tittle = \"\"", "line 3: unknown statement, or a block statement outside a block"},
        {"quick 7 = \"QMSG 8\" (block 4, parameter 1)", "quick 7 = \"QMSG 8\" (block 400, parameter 1)",
         QString("line %1: the block of a quick message must be 0 to 159, not 400").arg(lineOf("quick 7"))},
    };
    expectEachRefused(store, good, cases);
    // A byte that is no UTF-8 is refused by its line; nothing reaches the configuration.
    QByteArray bytes = good.toUtf8();
    bytes.replace("title = \"\"", "title = \"\xff\"");
    store.newConfiguration("latin.mdb");
    const auto fault = importConfiguration(store.db, bytes);
    ASSERT_TRUE(fault.has_value());
    EXPECT_EQ(fault->text(), "line 3: the line is not UTF-8 text");
    store.db.BlockSeek(0);
    EXPECT_EQ(store.db.BlockFn(), 0);   // still the new configuration's
    // Windows line ends and remarks of the engineer's own are taken.
    QString edited = good;
    edited.replace("\n", "\r\n").replace("title = \"\"", "# checked by J.S.\r\ntitle = \"Plant\"  # new title");
    ASSERT_EQ(build(store, "edited.mdb", edited), std::nullopt);
    EXPECT_EQ(store.db.CommentTitle(), "Plant");
}

TEST(ConfigurationText, WhatTheStoreWouldCutOrADownloadRefuseIsRefusedByItsLine_AnyLineEndAndLeadingZerosAreRead)
{
    StoreFixture store;
    store.newConfiguration("plant.mdb");
    store.setFunctions({{20, 10}});
    store.setQuick(3, "FLOW", 12, 2);
    const QString good = exportConfiguration(store.db);
    const auto lineOf = [&](const QString& part) { return good.left(good.indexOf(part)).count('\n') + 1; };
    const QString quick = "quick 3 = \"FLOW\" (block 12, parameter 2)";
    ASSERT_TRUE(good.contains(quick));

    const QString nul(QChar(0));
    const std::vector<RefusedEdit> cases = {
        {"title = \"\"", "title = \"Sample" + nul + " Plant\"",
         "line 3: malformed line (a quoted text holds a NUL character, which no text can hold; the line must read: "
         "title = \"text\")"},
        {"message 0 = \"CH 1\"", "message 0 = \"" + nul + "CH 1\"",
         QString("line %1: malformed line (a quoted text holds a NUL character, which no text can hold; the line must "
                 "read: message N = \"text\")").arg(lineOf("message 0 = "))},
        {quick, "quick 3 = \"FLOW\" (block 12, parameter 999)",
         QString("line %1: quick message 3: Parameter 999 does not fit the record's byte (0 to 255)").arg(lineOf(quick))},
        {quick, "quick 3 = \"FLOW\" (block 12, parameter -5)",
         QString("line %1: quick message 3: Parameter -5 does not fit the record's byte (0 to 255)").arg(lineOf(quick))},
        {"title = \"\"", "title = \"" + QString(81, 'T') + "\"", "line 3: the title is longer than 80 characters"},
        {"config = \"\"", "config = \"" + QString(40, 'C') + "\"\n         \"" + QString(41, 'C') + "\"",
         "line 4: the config is longer than 80 characters"},
    };
    expectEachRefused(store, good, cases);

    // Old Mac line ends, and numbers written with leading zeros, build the same configuration.
    QString written = good;
    written.replace("block 20: PID", "block 020: PID")
        .replace("parameter 1 = 1.000 (stored 1000)", "parameter 001 = 01.000 (stored 00000000000001000)")
        .replace(quick, "quick 3 = \"FLOW\" (block 012, parameter 002)")
        .replace("\n", "\r");
    ASSERT_NE(written, good);
    ASSERT_EQ(build(store, "mac.mdb", written), std::nullopt);
    EXPECT_EQ(exportConfiguration(store.db), good);
}
