// The report laid out from real configuration files and the built catalogue, read back
// from its page model.

#include "orvane/report/Render.h"
#include "orvane/report/Report.h"

#include "orvane/formats/ConfigurationText.h"

#include <kessig/OrvaneDB.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>

using namespace orvane::report;

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

constexpr int16_t kAnalogInput = 2;       // 7 parameters; RANGE LOW and HIGH take decimals from P2
constexpr int16_t kPid = 10;              // 7 inputs, 11 parameters; GAIN has 3 decimals, RESET 2
constexpr int16_t kDisplayGroup = 96;     // 20 inputs, 51 parameters in groups
constexpr int16_t kOperatorAdjust = 97;   // VALUE and ADJUST STEP take decimals from P2

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.open_database(ORVANE_BIN_DIR);
        file = dir.filePath("plant.mdb");
        db.create_new_database(file.toStdString());
        db.open_existing_database(file.toStdString(), kessig::Durability::Relaxed);
    }

    // Puts a function into a block with all its constants, `values` first, zeros after.
    void useFunction(int16_t block, int16_t fn, const std::vector<int32_t>& values = {})
    {
        db.FuncSetIndex("FN");
        db.FuncSeekI(fn);
        const int count = db.FuncInputs() + db.FuncParams() + db.FuncHidden();
        db.BlockSeek(block);
        db.BlockEdit();
        db.BlockFn(fn);
        db.BlockConstant(static_cast<int16_t>(count));
        db.BlockUpdate();
        for (int16_t k = 0; k < count; ++k) {
            db.ConstantAddNew();
            db.ConstantBlockNumber(block);
            db.ConstantOffset(k);
            db.ConstantValue(k < static_cast<int>(values.size()) ? values[static_cast<size_t>(k)] : 0);
            db.ConstantUpdate();
        }
    }

    void setComments(int16_t block, const QString& comment, const QString& drawing = {})
    {
        db.BlockSeek(block);
        db.BlockEdit();
        db.BlockComment(comment.toStdString());
        db.BlockVisioComment(drawing.toStdString());
        db.BlockUpdate();
    }

    void setDescription(const QString& text)
    {
        db.CommentEdit();
        db.CommentComment(text.toStdString());
        db.CommentTitle("Tank farm");
        db.CommentUpdate();
    }

    std::vector<Page> print(const PrintOptions& options = {})
    {
        Report report(db, options, {file, QDateTime(QDate(2024, 3, 14), QTime(14, 5, 7))});
        return report.PrintReport();
    }

    // Every printed line of every page, in order.
    static QStringList allLines(const std::vector<Page>& pages)
    {
        QStringList lines;
        for (const Page& p : pages)
            for (int l = 0; l < p.lineCount; ++l)
                lines << p.lineText(l);
        return lines;
    }

    static int lineStartingAt(const Page& page, int column, const QString& text)
    {
        for (int l = 0; l < page.lineCount; ++l)
            if (page.lineText(l).mid(column - 1).startsWith(text))
                return l;
        return -1;
    }

    QTemporaryDir dir;
    QString file;
    kessig::OrvaneDB db;
};

} // namespace

TEST_F(ReportTest, GridAndListingWithTheirColumnsRulesAndNumberFormats)
{
    setDescription("Fill the tank.\r\n\r\nDrain it.");
    useFunction(10, kPid, {4, 0, 0, 0, 0, 0, 0, /*GAIN*/ 1250, /*RESET*/ -1255, /*RATE*/ 0, /*SETPOINT*/ 50000});
    useFunction(158, kPid);
    const std::vector<Page> pages = print();
    ASSERT_EQ(pages.size(), 2u);

    // Page header: file, stamp, page number at column 100, the title.
    const Page& grid = pages[0];
    EXPECT_EQ(grid.lineText(0), (file + " 3/14/2024 2:05:07 PM").leftJustified(99, ' ') + "Page 1");
    EXPECT_EQ(grid.lineText(1), "");
    EXPECT_EQ(grid.lineText(2), "Title: Tank farm");
    // Column numbers at 10c + 17 with their blanks; a row number at 10, names one past each cell's edge.
    EXPECT_EQ(grid.lineText(4).mid(16, 3), " 0 ");
    EXPECT_EQ(grid.lineText(4).mid(106, 3), " 9 ");
    EXPECT_EQ(grid.lineText(5).mid(9, 3), " 0 ");
    EXPECT_EQ(grid.lineText(5).mid(15, 6), "SYSTEM");
    EXPECT_EQ(grid.lineText(5).mid(25, 4), "DIAG");
    EXPECT_EQ(grid.lineText(5).mid(35, 10), "DISPLAY   ");
    EXPECT_EQ(grid.lineText(6).mid(15, 4), "PID ");          // block 10
    EXPECT_EQ(grid.lineText(20).mid(95, 3), "PID");         // block 158
    EXPECT_FALSE(grid.lineText(7).contains("NOP"));
    // Rules: one along each row's top and one under the last row; eleven uprights.
    ASSERT_EQ(grid.horizontalRules.size(), 17u);
    EXPECT_EQ(grid.horizontalRules.front().line, 5);
    EXPECT_EQ(grid.horizontalRules.back().line, 21);
    EXPECT_EQ(grid.horizontalRules.front().fromColumn, 15);
    EXPECT_EQ(grid.horizontalRules.front().toColumn, 115);
    ASSERT_EQ(grid.verticalRules.size(), 11u);
    EXPECT_EQ(grid.verticalRules.back().column, 115);
    EXPECT_EQ(grid.verticalRules.back().fromLine, 5);
    EXPECT_EQ(grid.verticalRules.back().toLine, 21);
    // The sequence of operation, at column 20, its empty line kept.
    EXPECT_EQ(grid.lineText(21), QString(19, ' ') + "Fill the tank.");
    EXPECT_EQ(grid.lineText(22), "");
    EXPECT_EQ(grid.lineText(23), QString(19, ' ') + "Drain it.");

    // The listing starts a page; blocks 0 to 3 are before the default start.
    const Page& listing = pages[1];
    EXPECT_TRUE(listing.lineText(0).endsWith("Page 2"));
    const QStringList lines = allLines({listing});
    EXPECT_FALSE(lines.join('\n').contains("SYSTEM"));
    EXPECT_EQ(lines.filter("BLOCK ").size(), 2);
    const int heading = lineStartingAt(listing, 20, "BLOCK  10 ");
    ASSERT_EQ(heading, 4);
    EXPECT_EQ(listing.lineText(heading).mid(34), "PID                 (10)");
    EXPECT_EQ(listing.lineText(heading + 1), "");
    const int items = heading + 2;
    EXPECT_EQ(listing.lineText(items).mid(19), "Item                Value               Description");
    EXPECT_EQ(listing.lineText(items + 1).mid(19, 40), "I 1                 4                   ");
    EXPECT_EQ(listing.lineText(items + 1).mid(59), "Process variable");
    EXPECT_EQ(listing.lineText(items + 8).mid(19, 30), "P 1                 1.250     ");
    EXPECT_EQ(listing.lineText(items + 9).mid(39, 10), "-1.25     ");   // halves to even, as the editor shows it
    EXPECT_EQ(listing.lineText(items + 11).mid(39, 10), "50.00     ");
    // The heading's underline, then the closing rule under the last row after an empty line.
    ASSERT_GE(listing.horizontalRules.size(), 2u);
    EXPECT_EQ(listing.horizontalRules[0].line, items + 1);
    EXPECT_EQ(listing.horizontalRules[0].fromColumn, 20);
    EXPECT_EQ(listing.horizontalRules[0].toColumn, 100);
    EXPECT_EQ(listing.horizontalRules[1].line, items + 1 + 7 + 11);
    EXPECT_EQ(listing.lineText(items + 1 + 7 + 11), "");
    EXPECT_EQ(lineStartingAt(listing, 20, "BLOCK  158 "), items + 1 + 7 + 11 + 1);

    // A range: only block 158; the grid alone when the listing is off.
    PrintOptions range;
    range.PrintStart = 11;
    range.PrintGridOption = false;
    const std::vector<Page> ranged = print(range);
    ASSERT_EQ(ranged.size(), 1u);
    EXPECT_EQ(allLines(ranged).filter("BLOCK ").size(), 1);
    EXPECT_TRUE(ranged[0].lineText(0).endsWith("Page 1"));
    PrintOptions gridOnly;
    gridOnly.PrintDatabaseOption = false;
    EXPECT_EQ(print(gridOnly).size(), 1u);
    // Block 0 of a new configuration owns no constant rows: it lists the defaults a download sends.
    PrintOptions first;
    first.PrintStart = first.PrintEnd = 0;
    first.PrintGridOption = false;
    const QStringList system = allLines(print(first));
    ASSERT_EQ(system.filter("BLOCK ").size(), 1);
    EXPECT_EQ(system.filter("SCAN PERIOD").value(0).mid(19, 30), "P 1                 100       ");
    EXPECT_EQ(system.filter("WATCHDOG").value(0).mid(39, 10), "2.0       ");
    EXPECT_FALSE(system.join('\n').contains("????"));
    // Both sections off: a job without a page.
    PrintOptions nothing;
    nothing.PrintGridOption = nothing.PrintDatabaseOption = false;
    EXPECT_TRUE(print(nothing).empty());
}

TEST_F(ReportTest, CommentLinesBreakAtEightyColumnsAndControlCharactersBlankOnlyInBlockComments)
{
    // Exactly 80 characters: one line. 81: broken after the last blank at or before 80.
    QString eighty = QString(39, 'a') + ' ' + QString(40, 'b');
    QString text = eighty;
    EXPECT_EQ(NextPrintLine(text), 80);
    QString longer = QString(39, 'a') + ' ' + QString(41, 'b');
    ASSERT_EQ(longer.size(), 81);
    text = longer;
    EXPECT_EQ(NextPrintLine(text), 40);
    EXPECT_EQ(text.mid(40), QString(41, 'b'));
    text = QString(39, 'a') + ' ' + QString(38, 'b') + " cc";
    EXPECT_EQ(NextPrintLine(text), 79);
    // A word longer than a line is not split: it runs to the next line break.
    text = QString(90, 'w') + "\r\nnext line";
    EXPECT_EQ(NextPrintLine(text), 90);
    EXPECT_EQ(text.mid(90), "next line");
    // A line break within the first 79 columns of a long text ends the line; a leading blank goes.
    text = " short\r\n" + QString(100, 'x') + " end";
    EXPECT_EQ(NextPrintLine(text), 5);
    EXPECT_EQ(text.left(5), "short");
    // A lone line feed ends a line as well, and a text of line breaks gives empty lines.
    text = "one\ntwo";
    EXPECT_EQ(NextPrintLine(text), 3);
    EXPECT_EQ(text, "onetwo");
    text = QString(50, 'y') + " \n" + QString(50, 'z');
    EXPECT_EQ(NextPrintLine(text), 51);

    EXPECT_EQ(CleanPrintText(QString("a\x01\tb\r\nc") + QChar(0xE9) + QChar(0x7F) + QChar(0x85) + "d\U0001F600"),
              QString("a \tb\r\nc") + QChar(0xE9) + "  d\U0001F600");

    useFunction(20, kPid);
    setComments(20, QString("Valve\x07 ") + QChar(0xE9) + "\r\n" + longer, "   ");
    useFunction(21, kPid);
    setComments(21, "block note", "  drawing note  ");
    setDescription(QString("Start\x07") + QChar(0xE9));
    const std::vector<Page> pages = print();
    ASSERT_EQ(pages.size(), 2u);
    // The sequence of operation keeps its characters as they are.
    EXPECT_EQ(pages[0].lineText(21).mid(19), QString("Start\x07") + QChar(0xE9));
    const Page& listing = pages[1];
    const int block20 = lineStartingAt(listing, 20, "BLOCK  20 ");
    ASSERT_GE(block20, 0);
    // A blank drawing comment prints nothing, not even the separating empty line.
    EXPECT_EQ(listing.lineText(block20 + 2).mid(19), QString("Valve  ") + QChar(0xE9));
    EXPECT_EQ(listing.lineText(block20 + 3).mid(19), QString(39, 'a') + ' ');
    EXPECT_EQ(listing.lineText(block20 + 4).mid(19), QString(41, 'b'));
    EXPECT_TRUE(listing.lineText(block20 + 5).mid(19).startsWith("Item"));
    const int block21 = lineStartingAt(listing, 20, "BLOCK  21 ");
    EXPECT_EQ(listing.lineText(block21 + 2).mid(19), "drawing note");
    EXPECT_EQ(listing.lineText(block21 + 3), "");
    EXPECT_EQ(listing.lineText(block21 + 4).mid(19), "block note");
}

TEST_F(ReportTest, EveryParameterPrintsAsTheEditorAndTheTextFormShowIt)
{
    for (int16_t m = 0; m < 20; ++m) {
        db.MessageSeek(m);
        db.MessageEdit();
        db.MessageMsg("MSG " + std::to_string(m));
        db.MessageUpdate();
    }
    // Variable decimals take their count from an earlier parameter: AIN's range in tenths.
    useFunction(10, kAnalogInput, {1, 1, 0, 1000, 1500, 0, 2500});
    useFunction(11, kAnalogInput, {1, 3, -5, 123456, 0, 1, 0});
    useFunction(20, kPid, {4, 0, 0, 0, 0, 0, 0, 1250, -1255, 5, 50000});
    useFunction(25, kOperatorAdjust, {1, 2, -1234, 10});
    // 20 input links, then parameter 1, then groups of decimals, low, high, label.
    std::vector<int32_t> values(20, 5);
    values.push_back(50);
    values.insert(values.end(), {2, 12345, -5, 0});     // 2 decimals
    values.insert(values.end(), {0, 7, 8, 0});          // whole numbers
    values.insert(values.end(), {9, 7, 8, 0});          // no such decimal count
    values.insert(values.end(), {4, 123456, 0, 0});     // 4 decimals
    useFunction(30, kDisplayGroup, values);

    // What the text form shows of each parameter, by block and number.
    std::map<std::pair<int, int>, QString> shown;
    const QRegularExpression blockLine("^block (\\d+):"), parameterLine("^  parameter (\\d+) = (\"[^\"]*\"|\\S*) \\(stored");
    int block = -1;
    for (const QString& line : orvane::formats::exportConfiguration(db).split('\n')) {
        if (const auto b = blockLine.match(line); b.hasMatch())
            block = b.captured(1).toInt();
        else if (const auto p = parameterLine.match(line); p.hasMatch())
            shown[{block, p.captured(1).toInt()}] = p.captured(2).remove('"');
    }
    // Each printed row: a number in the value column, a message text from column 30.
    std::map<std::pair<int, int>, QString> printed;
    const QRegularExpression heading("^ {19}BLOCK  (\\d+) "), row("^ {19}P (\\d+) ");
    for (const QString& line : allLines(print())) {
        if (const auto b = heading.match(line); b.hasMatch())
            block = b.captured(1).toInt();
        else if (const auto p = row.match(line); p.hasMatch())
            printed[{block, p.captured(1).toInt()}] = line.mid(29, 30).trimmed();
    }
    ASSERT_EQ(printed.size(), 7u + 7u + 11u + 4u + 51u);
    for (const auto& [item, text] : printed)
        EXPECT_EQ(text, shown[item]) << "block " << item.first << " P " << item.second;
    // The values that once printed raw, and those where rounding or a message matter.
    EXPECT_EQ((printed[{10, 3}]), "0.0");
    EXPECT_EQ((printed[{10, 4}]), "100.0");
    EXPECT_EQ((printed[{11, 4}]), "123.456");
    EXPECT_EQ((printed[{20, 2}]), "-1.25");
    EXPECT_EQ((printed[{25, 3}]), "-12.34");
    EXPECT_EQ((printed[{30, 3}]), "123.45");
    EXPECT_EQ((printed[{30, 11}]), "7");
    EXPECT_EQ((printed[{30, 15}]), "12.3456");
    EXPECT_EQ((printed[{30, 5}]), "MSG 0");
    EXPECT_EQ((printed[{30, 51}]), "MSG 19");
}

TEST_F(ReportTest, LongBlocksContinueOnNewPagesWithTheirHeadings)
{
    // A comment of 120 lines breaks the page inside the block; a 20-input table inside its rows.
    QStringList note;
    for (int i = 0; i < 120; ++i)
        note << QStringLiteral("note line %1").arg(i);
    useFunction(40, kPid);
    setComments(40, note.join("\r\n"));
    useFunction(41, kDisplayGroup);
    const std::vector<Page> pages = print();
    ASSERT_GE(pages.size(), 4u);
    int continued = 0;
    for (size_t p = 1; p < pages.size(); ++p) {
        const Page& page = pages[p];
        EXPECT_TRUE(page.lineText(0).endsWith("Page " + QString::number(p + 1)));
        EXPECT_LE(page.lineCount, 84) << "page " << p + 1;
        // Every listing page starts with its header and a block heading.
        const bool continues = page.lineText(4).mid(19) == "Continued:";
        continued += continues;
        EXPECT_TRUE(page.lineText(continues ? 5 : 4).mid(19).startsWith("BLOCK  4")) << page.lineText(4).toStdString();
        if (continues) {
            EXPECT_TRUE(page.lineText(7).mid(19).startsWith("Item"));
        }
    }
    EXPECT_GE(continued, 1);
    // The note's lines all printed, in order.
    const QStringList lines = allLines(pages).filter("note line ");
    ASSERT_EQ(lines.size(), 120);
    EXPECT_EQ(lines.last().mid(19), "note line 119");
}

TEST_F(ReportTest, AnItemHeadingNeverEndsAPage_ItsRowsFollowItAndContinueUnderContinued)
{
    // Comments of growing length bring the item heading to every line near the foot.
    useFunction(40, kPid);
    for (int length = 66; length <= 76; ++length) {
        QStringList note;
        for (int i = 0; i < length; ++i)
            note << QStringLiteral("line %1").arg(i);
        setComments(40, note.join("\r\n"));
        PrintOptions options;
        options.PrintGridOption = false;
        const std::vector<Page> pages = print(options);
        int rows = 0;
        bool tableBegun = false;
        for (size_t p = 0; p < pages.size(); ++p) {
            QStringList lines = allLines({pages[p]});
            lines.removeAll(QString());
            QString previous;
            for (const QString& line : lines) {
                const QString item = line.mid(19);
                const bool row = item.startsWith("I ") || item.startsWith("P ");
                // A heading's next line on its page is a row, never the foot of the page.
                if (previous.startsWith("Item")) {
                    EXPECT_TRUE(row) << "comment of " << length << " lines, page " << p + 1 << ": " << item.toStdString();
                }
                if (item == "Continued:") {
                    EXPECT_TRUE(tableBegun) << "comment of " << length << " lines, page " << p + 1;
                }
                rows += row;
                tableBegun = tableBegun || row;
                previous = item;
            }
            EXPECT_FALSE(previous.startsWith("Item")) << "comment of " << length << " lines, page " << p + 1;
        }
        EXPECT_EQ(rows, 7 + 11) << "comment of " << length << " lines";
    }
}

TEST_F(ReportTest, APdfReplacesTheFileALinkNamesWholeAndKeepsItsMode_AndAReadOnlyOneIsLeftAsItWas)
{
    int argc = 1;
    char name[] = "report_tests";
    char* argv[] = {name, nullptr};
    const QGuiApplication drawing(argc, argv); // fonts for the PDF
    useFunction(10, kPid);
    const std::vector<Page> pages = print();
    QDir(dir.path()).mkdir("reports");
    const QString target = dir.filePath("reports/plant.pdf");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QFile::Permissions mode = QFile::permissions(target);
    const QString link = dir.filePath("plant.pdf");
    ASSERT_TRUE(QFile::link(target, link));

    ASSERT_EQ(writePdf(pages, link), std::nullopt);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().startsWith("%PDF"));
    EXPECT_EQ(QFile::permissions(target), mode);

    // A file marked read-only is refused, whoever runs this, and keeps its content.
    QFile::setPermissions(target, QFile::ReadOwner);
    const auto refused = writePdf(pages, link);
    ASSERT_TRUE(refused.has_value());
    EXPECT_TRUE(refused->contains(link)) << refused->toStdString();
    EXPECT_TRUE(QFileInfo(target).size() > 3);
}
