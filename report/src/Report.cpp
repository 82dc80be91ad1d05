#include "orvane/report/Report.h"

#include "orvane/formats/ParameterValues.h"

#include <kessig/OrvaneDB.h>

#include <QLocale>
#include <array>

namespace orvane::report {

namespace {

constexpr int16_t kNopFunction = 127;
constexpr int kBlocks = 160;
constexpr int kLastLine = 78;                   // a count above this starts a new page
constexpr int kLineWidth = 80;

// Columns of the page.
constexpr int kHeaderPageColumn = 100;
constexpr int kTextColumn = 20;
constexpr int kItemColumn = 20;
constexpr int kValueColumn = 40;
constexpr int kMessageColumn = 30;
constexpr int kDescriptionColumn = 60;
constexpr int kTableEndColumn = 100;
constexpr int kGridNumberColumn = 10;
constexpr int kGridFirstColumn = 15;
constexpr int kGridEndColumn = 115;
constexpr int kGridColumnWidth = 10;

// Blanks only, like the trimming of the stored texts; line breaks stay.
QString trimTrailingBlanks(const QString& s)
{
    qsizetype to = s.size();
    while (to > 0 && s[to - 1] == QLatin1Char(' '))
        --to;
    return s.left(to);
}

QString trimBlanks(const QString& s)
{
    qsizetype from = 0;
    while (from < s.size() && s[from] == QLatin1Char(' '))
        ++from;
    return trimTrailingBlanks(s.mid(from));
}

// A number printed as such: a blank (or the minus) before it and a blank after it.
QString printedNumber(int value)
{
    return (value < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + QString::number(std::abs(value))
           + QLatin1Char(' ');
}

QString padded(const QString& text, int width) { return text.leftJustified(width, QLatin1Char(' ')); }

QString fromStore(const std::string& text) { return QString::fromStdString(text); }

// The first line break: a carriage return and line feed, or a line feed alone.
// Returns its start and length; start -1 when there is none.
std::pair<qsizetype, int> firstLineBreak(const QString& text)
{
    const qsizetype lf = text.indexOf(QLatin1Char('\n'));
    if (lf < 0)
        return {-1, 0};
    if (lf > 0 && text[lf - 1] == QLatin1Char('\r'))
        return {lf - 1, 2};
    return {lf, 1};
}

} // namespace

std::optional<int16_t> validPrintStart(const QString& text, int16_t printEnd)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok || v < 0 || v > printEnd || v > kDefaultPrintEnd)
        return std::nullopt;
    return static_cast<int16_t>(v);
}

std::optional<int16_t> validPrintEnd(const QString& text, int16_t printStart)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok || v < 0 || v < printStart || v > kDefaultPrintEnd)
        return std::nullopt;
    return static_cast<int16_t>(v);
}

int NextPrintLine(QString& text)
{
    const auto endAtFirstBreak = [&text]() -> int {
        const auto [at, length] = firstLineBreak(text);
        if (at < 0)
            return static_cast<int>(text.size());
        text.remove(at, length);
        return static_cast<int>(at);
    };
    if (text.size() <= kLineWidth || !text.left(kLineWidth).contains(QLatin1Char(' ')))
        return endAtFirstBreak();
    if (text.startsWith(QLatin1Char(' ')))
        text.remove(0, 1);
    const auto [at, length] = firstLineBreak(text);
    if (at >= 0 && at < kLineWidth - 1) {
        text.remove(at, length);
        return static_cast<int>(at);
    }
    const qsizetype blank = text.lastIndexOf(QLatin1Char(' '), kLineWidth - 1);
    if (blank >= 0)
        return static_cast<int>(blank + 1);
    // The only blank was the leading one: the text starts with a word longer than a line.
    return endAtFirstBreak();
}

QString CleanPrintText(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        const char16_t code = c.unicode();
        const bool control = code < 32 || (code >= 127 && code < 160);
        if (control && code != u'\t' && code != u'\n' && code != u'\r')
            c = QLatin1Char(' ');
    }
    return out;
}

Report::Report(kessig::OrvaneDB& db, const PrintOptions& options, ReportFile file)
    : db_(db), options_(options), file_(std::move(file))
{
}

std::vector<Page> Report::PrintReport()
{
    db_.FuncSetIndex("FN");
    LineCount = 0;
    PageNumber = 0;
    printer_.takePages();
    if (options_.PrintGridOption) {
        PrintBlockGrid();
        printTextLines(fromStore(db_.CommentComment()), &Report::AdvanceLines);
    }
    if (options_.PrintDatabaseOption) {
        PrintPageHeader();
        db_.BlockMoveFirst();
        while (!db_.BlockEOF() && db_.BlockNumber() < options_.PrintStart)
            db_.BlockMoveNext();
        // The blocks are in number order: the walk ends at the last block of the range.
        for (; !db_.BlockEOF() && db_.BlockNumber() <= options_.PrintEnd; db_.BlockMoveNext())
            if (db_.BlockFn() != kNopFunction)
                printBlock();
    }
    for (const auto& drawing : drawings_) {
        PrintPageHeader();
        printer_.Figure(drawing, kLastLine + 1 - LineCount);
    }
    return printer_.takePages();
}

void Report::PrintPageHeader()
{
    if (PageNumber > 0)
        printer_.NewPage();
    ++PageNumber;
    const QString stamp = file_.stamp.isValid()
                              ? QLocale::c().toString(file_.stamp, QStringLiteral("M/d/yyyy h:mm:ss AP"))
                              : QString();
    printer_.Print(file_.GlobalFile + QLatin1Char(' ') + stamp);
    printer_.Tab(kHeaderPageColumn);
    printer_.Print(QStringLiteral("Page ") + QString::number(PageNumber));
    printer_.EndLine();
    printer_.EndLine();
    printer_.Print(QStringLiteral("Title: ") + fromStore(db_.CommentTitle()));
    printer_.EndLine();
    printer_.EndLine();
    LineCount = 5;
}

void Report::AdvanceLines(int lines)
{
    LineCount = static_cast<int16_t>(LineCount + lines);
    if (LineCount > kLastLine)
        PrintPageHeader();
}

void Report::AdvanceLinesInBlock(int lines)
{
    LineCount = static_cast<int16_t>(LineCount + lines);
    if (LineCount > kLastLine) {
        PrintPageHeader();
        PrintBlockHeading();
    }
}

void Report::AdvanceLinesInTable(int lines)
{
    LineCount = static_cast<int16_t>(LineCount + lines);
    if (LineCount > kLastLine) {
        PrintPageHeader();
        printer_.Tab(kItemColumn);
        printer_.Print(QStringLiteral("Continued:"));
        printer_.EndLine();
        PrintBlockHeading();
        printItemHeading();
        printer_.EndLine();
    }
}

void Report::PrintBlockHeading()
{
    const int16_t number = db_.BlockNumber();
    const int16_t fn = db_.BlockFn();
    db_.FuncSeekI(fn);
    const QString name = db_.FuncNoMatch() ? QStringLiteral("????") : trimTrailingBlanks(fromStore(db_.FuncName()));
    printer_.Tab(kItemColumn);
    printer_.Print(QStringLiteral("BLOCK ") + printedNumber(number));
    printer_.Tab(35);
    printer_.Print(name);
    printer_.Tab(55);
    printer_.Print(QLatin1Char('(') + QString::number(fn) + QLatin1Char(')'));
    printer_.EndLine();
    printer_.EndLine();
    AdvanceLines(2);
}

void Report::PrintBlockGrid()
{
    PrintPageHeader();
    for (int c = 0; c < 10; ++c) {
        printer_.Tab(kGridColumnWidth * c + 17);
        printer_.Print(printedNumber(c));
    }
    printer_.Tab(kGridEndColumn);
    printer_.EndLine();
    const int top = printer_.CurrentLine();

    // Each block goes to its own cell by number, whatever rows the file holds.
    std::array<QString, kBlocks> names;
    for (db_.BlockMoveFirst(); !db_.BlockEOF(); db_.BlockMoveNext()) {
        const int16_t number = db_.BlockNumber();
        if (number < 0 || number >= kBlocks)
            continue;
        const int16_t fn = db_.BlockFn();
        db_.FuncSeekI(fn);
        const QString name = db_.FuncNoMatch() ? QStringLiteral("????") : trimTrailingBlanks(fromStore(db_.FuncName()));
        names[static_cast<size_t>(number)] = fn == kNopFunction || name == QLatin1String("NOP") ? QString() : name;
    }
    for (int r = 0; r < kBlocks / 10; ++r) {
        printer_.Tab(kGridNumberColumn);
        printer_.Print(printedNumber(r));
        for (int c = 0; c < 10; ++c) {
            printer_.Tab(kGridFirstColumn + kGridColumnWidth * c);
            printer_.Print(QLatin1Char(' ') + names[static_cast<size_t>(r * 10 + c)]);
        }
        printer_.EndLine();
        printer_.DrawHorizontalRule(printer_.CurrentLine() - 1, kGridFirstColumn, kGridEndColumn);
    }
    printer_.DrawHorizontalRule(printer_.CurrentLine(), kGridFirstColumn, kGridEndColumn);
    for (int column = kGridFirstColumn; column <= kGridEndColumn; column += kGridColumnWidth)
        printer_.DrawVerticalRule(column, top, printer_.CurrentLine());
    LineCount = static_cast<int16_t>(LineCount + 17);
}

void Report::printTextLines(QString text, void (Report::*advance)(int))
{
    while (!text.isEmpty()) {
        const qsizetype before = text.size();
        const int length = NextPrintLine(text);
        printer_.Tab(kTextColumn);
        printer_.Print(text.left(length));
        printer_.EndLine();
        text.remove(0, length);
        (this->*advance)(1);
        if (length == 0 && text.size() == before)
            break;   // no progress: never loop on a text
    }
}

void Report::printItemHeading()
{
    printer_.Tab(kItemColumn);
    printer_.Print(QStringLiteral("Item"));
    printer_.Tab(kValueColumn);
    printer_.Print(QStringLiteral("Value"));
    printer_.Tab(kDescriptionColumn);
    printer_.Print(QStringLiteral("Description"));
    printer_.Tab(kTableEndColumn);
    printer_.EndLine();
}

std::optional<int32_t> Report::nextConstant(int32_t fallback)
{
    const auto offset = static_cast<int16_t>(blockValues_.size());
    std::optional<int32_t> value = fallback;
    if (!blockHoldsDefaults_) {
        db_.ConstantSeek(db_.BlockNumber(), offset);
        value = db_.ConstantNoMatch() ? std::nullopt : std::optional<int32_t>(db_.ConstantValue());
    }
    blockValues_.push_back(value);
    return value;
}

void Report::printBlock()
{
    if (LineCount >= 75)
        PrintPageHeader();
    blockValues_.clear();
    blockHoldsDefaults_ = db_.BlockConstant() <= 0;
    PrintBlockHeading();
    const QString drawing = CleanPrintText(trimBlanks(fromStore(db_.BlockVisioComment())));
    const QString comment = CleanPrintText(fromStore(db_.BlockComment()));
    printTextLines(drawing, &Report::AdvanceLinesInBlock);
    if (!drawing.isEmpty() && !comment.isEmpty()) {
        printer_.EndLine();
        AdvanceLinesInBlock(1);
    }
    printTextLines(comment, &Report::AdvanceLinesInBlock);

    const int16_t fn = db_.BlockFn();
    db_.FuncSeekI(fn);
    if (db_.FuncNoMatch())
        return;
    const int inputs = db_.FuncInputs(), params = db_.FuncParams();
    if (inputs <= 0 && params <= 0)
        return;
    // The heading never stands alone at the foot of a page: when its first row would not
    // fit under it, it starts the next page under the block's heading.
    if (LineCount + 1 > kLastLine) {
        PrintPageHeader();
        PrintBlockHeading();
    }
    printItemHeading();
    AdvanceLines(1);
    const int headingRule = printer_.CurrentLine(), headingPage = printer_.PageIndex();
    bool firstRow = true;
    // The heading is underlined once its first row stands under it, on the heading's page.
    const auto rowPrinted = [&] {
        if (firstRow)
            printer_.DrawHorizontalRule(headingRule, kItemColumn, kTableEndColumn, headingPage);
        firstRow = false;
        AdvanceLinesInTable(1);
    };
    for (int i = 1; i <= inputs; ++i) {
        printInputRow(fn, i);
        rowPrinted();
    }
    for (int i = 1; i <= params; ++i) {
        printParameterRow(fn, inputs, i);
        rowPrinted();
    }
    if (LineCount != 7) {
        const int under = printer_.CurrentLine();
        printer_.EndLine();
        printer_.DrawHorizontalRule(under, kItemColumn, kTableEndColumn);
        AdvanceLines(1);
    }
}

void Report::printInputRow(int16_t fn, int i)
{
    db_.InputSeek(fn, static_cast<int16_t>(i));
    const std::optional<int32_t> value = nextConstant(db_.InputType() == 1 ? 0 : 2);
    printer_.Tab(kItemColumn);
    printer_.Print(QStringLiteral("I ") + QString::number(i));
    printer_.Tab(kValueColumn);
    printer_.Print(padded(value ? QString::number(*value) : QStringLiteral("????"), 10));
    printer_.Tab(kDescriptionColumn);
    printer_.Print(fromStore(db_.InputDescription()));
    printer_.EndLine();
}

QString Report::shownParameter(int inputs, int i, const std::optional<int32_t>& value)
{
    using namespace orvane::formats;
    if (!value)
        return QStringLiteral("????");
    if (db_.ParamType() == kVariableDecimals) {
        const auto at = static_cast<size_t>(decimalsOffset(inputs, i));
        const std::optional<int32_t> decimals = at < blockValues_.size() ? blockValues_[at] : std::nullopt;
        return showVariable(*value, decimals.value_or(0));
    }
    const QString shown = showPlain(*value, db_.ParamDecimal());
    return shown.isEmpty() ? QStringLiteral("ERROR ") + QString::number(*value) : shown;
}

void Report::printParameterRow(int16_t fn, int inputs, int i)
{
    db_.ParamSeek(fn, static_cast<int16_t>(i));
    const std::optional<int32_t> value = nextConstant(db_.ParamDefault());
    printer_.Tab(kItemColumn);
    printer_.Print(QStringLiteral("P ") + QString::number(i));
    if (db_.ParamType() == orvane::formats::kTextParameter) {
        printMessageValue(db_.ParamOffset());
    } else {
        printer_.Tab(kValueColumn);
        printer_.Print(padded(shownParameter(inputs, i, value), 10));
    }
    printer_.Tab(kDescriptionColumn);
    printer_.Print(fromStore(db_.ParamDescription()));
    printer_.EndLine();
}

void Report::printMessageValue(int16_t number)
{
    db_.MessageSeek(number);
    QString text;
    try {
        text = fromStore(db_.MessageMsg()).remove(QChar(u'\0'));
    } catch (const kessig::DbError&) {
        // No such message, or an empty one: the column stays blank.
    }
    printer_.Tab(kMessageColumn);
    printer_.Print(padded(text, 20));
}

} // namespace orvane::report
