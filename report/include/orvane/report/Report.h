#pragma once
// The printed report of a configuration: the block grid with the sequence of
// operation (the configuration description), and the block listing with each used
// block's comments and a table of its inputs and parameters. Everything is read
// through OrvaneDB and laid out into pages of a fixed-pitch font.

#include "orvane/report/Page.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace kessig { class OrvaneDB; }

namespace orvane::report {

inline constexpr int16_t kDefaultPrintStart = 4;
inline constexpr int16_t kDefaultPrintEnd = 159;

struct PrintOptions {
    int16_t PrintStart = kDefaultPrintStart;   // first block of the listing
    int16_t PrintEnd = kDefaultPrintEnd;       // last block of the listing
    bool PrintGridOption = true;               // block grid and sequence of operation
    bool PrintDatabaseOption = true;           // block listing
};

// A start block typed by the user: a whole number from 0 to 159 and not above the end.
std::optional<int16_t> validPrintStart(const QString& text, int16_t printEnd);
// An end block: a whole number from 0 to 159 and not below the start.
std::optional<int16_t> validPrintEnd(const QString& text, int16_t printStart);

// The configuration file named in every page header, with its date and time stamp.
struct ReportFile {
    QString GlobalFile;
    QDateTime stamp;
};

class Report {
public:
    Report(kessig::OrvaneDB& db, const PrintOptions& options, ReportFile file);

    // Lays out the whole report once; no page when both sections are off.
    std::vector<Page> PrintReport();
    // Drawings that PrintReport puts after the sections, one a page under the page header.
    void setDrawingPages(std::vector<std::shared_ptr<const PageDrawing>> drawings) { drawings_ = std::move(drawings); }

    // The steps of the layout, each as the report uses them.
    void PrintPageHeader();
    void AdvanceLines(int lines);
    void AdvanceLinesInBlock(int lines);
    void AdvanceLinesInTable(int lines);
    void PrintBlockHeading();
    void PrintBlockGrid();

    int16_t PageNumber = 0;
    int16_t LineCount = 0;

private:
    void printTextLines(QString text, void (Report::*advance)(int));
    void printBlock();
    void printItemHeading();
    void printInputRow(int16_t fn, int i);
    void printParameterRow(int16_t fn, int inputs, int i);
    void printMessageValue(int16_t number);
    // A number parameter (the one at the parameter cursor) as the editor shows it.
    QString shownParameter(int inputs, int i, const std::optional<int32_t>& value);
    // The block's next constant; a block that owns no constant rows (the first blocks of a
    // new configuration) holds what a download sends for it, `fallback`, its default.
    std::optional<int32_t> nextConstant(int32_t fallback);

    kessig::OrvaneDB& db_;
    bool blockHoldsDefaults_ = false;
    std::vector<std::optional<int32_t>> blockValues_;   // the block's constants read so far, by offset
    PrintOptions options_;
    std::vector<std::shared_ptr<const PageDrawing>> drawings_;
    ReportFile file_;
    PagePrinter printer_;
};

// Splits off the next printed line of at most 80 characters: at a line break, else
// after the last blank that fits; a word longer than a line is not split. Removes a
// line break it ends at (and a leading blank of a long text) from `text` and returns
// the line's length; the caller prints that many characters and keeps the rest.
int NextPrintLine(QString& text);

// A copy in which control characters other than tab, line feed and carriage return are
// blanks; every other character ("°", "Ω", "€" and the like) prints as stored.
QString CleanPrintText(const QString& text);

} // namespace orvane::report
