#include "orvane/compare/Compare.h"

#include "LogText.h"
#include "orvane/compare/CompanionFiles.h"
#include "orvane/compare/FunctionCatalogue.h"

#include <QFileInfo>

namespace orvane::compare {

using namespace text;

namespace {

// The display group: its parameters carry decimal counts and message references.
constexpr int16_t kDisplayGroup = 96;
constexpr int16_t kLastGroupedParameter = 41;

std::string footer(Companion program)
{
    return program == Companion::Tracera ? "***** To Return To Graven Shutdown WordPad *****"
                                         : "***** To Return To Brevant Shutdown WordPad *****";
}

std::string logTitle(const CompareRequest& r)
{
    if (r.program == Companion::Ostrel)
        return "ORVANE COMPARE LOG";
    return r.reportCode == 'S' ? "ORVANE CONFIGURATION COMPARE LOG" : "ORVANE FULL COMPARE LOG";
}

std::string fileLine(const char* label, const ShownFile& file)
{
    std::string line = label + onOneLine(file.path);
    if (file.modified)
        line += " - " + cp1252(dateTimeText(*file.modified));
    return line;
}

std::string missingFrom(bool fromFirst, bool fromSecond)
{
    return fromFirst && fromSecond ? "FILE 1 And FILE 2" : fromFirst ? "FILE 1" : "FILE 2";
}

// The block column and what may follow it on a block line.
std::string blockStart(int16_t block) { return " " + fit(block, 4); }
std::string blockNote(int16_t block, const std::string& note) { return blockStart(block) + "      .." + note; }
// Columns 1 to 42 of an input or parameter line.
std::string itemStart(int16_t block, char kind, int16_t number, const std::string& description)
{
    return blockStart(block) + " " + kind + fit(number, 3) + " " + fit(fit(cp1252(description), 30), 31);
}
std::string quickStart(int16_t offset) { return "Quick Message " + spaces(11) + whole(offset + 1); }

class Log {
public:
    void line(const std::string& text)
    {
        bytes_ += text;
        bytes_ += "\r\n";
    }
    void blank() { line(" "); }
    QByteArray bytes() const { return QByteArray::fromStdString(bytes_); }

private:
    std::string bytes_;
};

void writeHead(Log& log, const CompareRequest& r)
{
    log.line(withZoneDate(logTitle(r), r.now));
    log.blank();
    if (r.program != Companion::Ostrel) {
        log.line(footer(r.program));
        log.blank();
    }
    log.line(fileLine("FILE 1 ", r.file1));
    log.line(fileLine("FILE 2 ", r.file2));
    log.blank();
}

void writeTail(Log& log, Companion program)
{
    if (program == Companion::Ostrel)
        return;
    log.blank();
    log.blank();
    log.line(footer(program));
}

bool commentsAllBlank(const Configuration& c)
{
    if (c.texts && !(isBlank(c.texts->title) && isBlank(c.texts->config) && isBlank(c.texts->comment)))
        return false;
    for (const BlockRecord& b : c.blocks)
        if (!isBlank(b.comment) || !isBlank(b.visioComment))
            return false;
    return true;
}

// Decimal counts set by parameters 2, 6, 10 ... of a display group for the two after them.
struct GroupDecimals {
    int64_t first = 0, second = 0;
};

class Comparison {
public:
    Comparison(const Configuration& one, const Configuration& two, FunctionCatalogue& catalogue,
               const CompareRequest& request)
        : one_(one), two_(two), catalogue_(catalogue), request_(request)
    {
    }

    CompareOutcome run()
    {
        writeHead(log_, request_);
        if (full())
            configurationSection();
        log_.line("Block" + spaces(38) + "File 1" + spaces(5) + "File 2");
        log_.blank();
        blocks();
        if (parametersShown()) {
            quickMessages();
            if (request_.program == Companion::Tracera && commentsAllBlank(two_)) {
                log_.blank();
                log_.line("Note: All Comments In " + onOneLine(request_.file2.path) + " Are Blank");
                log_.line("Comments In The Drawing Will Not Be Modified");
            }
        }
        writeTail(log_, request_.program);
        outcome_.log = log_.bytes();
        outcome_.comments = QByteArray::fromStdString(comments_);
        return outcome_;
    }

private:
    bool full() const { return writesConfigurationSection(request_); }
    bool parametersShown() const { return writesParameters(request_); }

    void found(uint16_t flag, const std::string& line)
    {
        log_.line(line);
        outcome_.flags |= flag;
        outcome_.differs = true;
    }
    void notCompared(const std::string& line)
    {
        log_.line(line);
        ++outcome_.notCompared;
        outcome_.differs = true;
    }
    // A comment text of File 2 that differs from File 1's.
    void textDiffers(const std::string& line, const std::string& secondText, bool countsAsDifference)
    {
        log_.line(line);
        outcome_.flags |= TextDiffers;
        outcome_.differs = outcome_.differs || countsAsDifference;
        // The drawing program learns that the configuration holds comment text it lacks.
        if (request_.program == Companion::Tracera && request_.reportCode == 'L' && !isBlank(secondText))
            outcome_.flags |= HasComments;
    }
    // A text of File 1 that the editor's import takes over.
    void record(const std::string& text)
    {
        if (request_.program != Companion::Juxta)
            return;
        comments_ += commentRecord(text).toStdString();
        if (!isBlank(text))
            outcome_.flags |= HasComments;
    }

    void configurationSection()
    {
        const ConfigurationTexts none;
        const ConfigurationTexts& a = one_.texts ? *one_.texts : none;
        const ConfigurationTexts& b = two_.texts ? *two_.texts : none;
        if (!one_.texts || !two_.texts) {
            notCompared("Configuration Record Missing From " + missingFrom(!one_.texts, !two_.texts));
            log_.blank();
        } else {
            configurationText("Configuration Titles Are Different", a.title, b.title, true);
            configurationText("Configuration Strings Are Different", a.config, b.config, true);
            configurationText("Configuration Comments Are Different", a.comment, b.comment, false);
        }
        record(a.title);
        record(a.config);
        record(a.comment);
    }

    void configurationText(const std::string& heading, const std::string& first, const std::string& second, bool shown)
    {
        if (first == second)
            return;
        textDiffers(heading, second, true);
        if (shown) {
            log_.line("FILE 1: " + cp1252(first));
            log_.line("FILE 2: " + cp1252(second));
        }
        log_.blank();
    }

    // Blocks are paired by number: for complete configurations that is their position.
    void blocks()
    {
        const auto& a = one_.blocks;
        const auto& b = two_.blocks;
        size_t i = 0, j = 0;
        while (i < a.size() || j < b.size()) {
            if (j == b.size() || (i < a.size() && a[i].number < b[j].number)) {
                record(a[i].visioComment);
                record(a[i].comment);
                notCompared(blockNote(a[i].number, "Block Missing From FILE 2"));
                ++i;
            } else if (i == a.size() || b[j].number < a[i].number) {
                notCompared(blockNote(b[j].number, "Block Missing From FILE 1"));
                ++j;
            } else {
                block(a[i++], b[j++]);
            }
        }
    }

    std::string functionName(int16_t fn)
    {
        const auto info = catalogue_.function(fn);
        return fit(info ? trimmed(cp1252(info->name)) : whole(fn), 10);
    }

    void block(const BlockRecord& a, const BlockRecord& b)
    {
        record(a.visioComment);
        record(a.comment);
        if (a.function && b.function && *a.function != *b.function) {
            found(FunctionsDiffer, blockNote(a.number, "Different Function..") + spaces(9) + " "
                                       + functionName(*a.function) + " " + functionName(*b.function));
            return;
        }
        if (full()) {
            if (a.comment != b.comment)
                textDiffers(blockNote(a.number, "Block Commets Differ"), b.comment, false);
            if (one_.hasVisioComment && two_.hasVisioComment && a.visioComment != b.visioComment)
                textDiffers(blockNote(a.number, "Visio Commets Differ"), b.visioComment, false);
        }
        const std::optional<int16_t> fn = a.function ? a.function : b.function;
        if (!fn) {
            notCompared(blockNote(a.number, "Function Number Missing From FILE 1 And FILE 2"));
            return;
        }
        const auto function = catalogue_.function(*fn);
        if (!function) {
            notCompared(blockNote(a.number, "Function " + whole(*fn) + " Not In The Catalogue"));
            return;
        }
        int16_t offset = 0;
        for (int16_t i = 1; i <= function->inputs; ++i, ++offset)
            input(a.number, *fn, i, offset);
        if (!parametersShown())
            return;
        GroupDecimals decimals;
        for (int16_t j = 1; j <= function->params; ++j, ++offset)
            parameter(a.number, *fn, j, offset, decimals);
    }

    // The two values of a constant; false when a row is missing. A block that owns no
    // constant rows at all (the default blocks of a new configuration) holds what a download
    // sends for it, its function's defaults; a row missing from a block that owns others is said.
    bool constants(const std::string& start, int16_t block, int16_t fn, int16_t offset,
                   std::optional<int32_t>& first, std::optional<int32_t>& second)
    {
        const auto value = [&](const Configuration& file) -> std::optional<std::optional<int32_t>> {
            if (const auto* row = file.constant(block, offset))
                return *row;
            if (!file.ownsConstants(block))
                if (const auto fallback = catalogue_.defaultConstant(fn, offset))
                    return std::optional<int32_t>(*fallback);
            return std::nullopt;
        };
        const auto a = value(one_);
        const auto b = value(two_);
        if (!a || !b) {
            notCompared(start + " Constant Missing From " + missingFrom(!a, !b));
            return false;
        }
        first = *a;
        second = *b;
        return true;
    }

    void input(int16_t block, int16_t fn, int16_t number, int16_t offset)
    {
        const std::string start = itemStart(block, 'I', number, catalogue_.inputDescription(fn, number).value_or(""));
        std::optional<int32_t> a, b;
        if (!constants(start, block, fn, offset, a, b) || !a || !b)
            return;
        const std::string first = fit(*a, 4), second = fit(*b, 4);
        if (first != second)
            found(InputsDiffer, start + " " + first + spaces(7) + second);
    }

    void parameter(int16_t block, int16_t fn, int16_t number, int16_t offset, GroupDecimals& decimals)
    {
        const auto info = catalogue_.parameter(fn, number);
        const std::string start = itemStart(block, 'P', number, info ? info->description : std::string());
        std::optional<int32_t> a, b;
        const bool present = constants(start, block, fn, offset, a, b);
        std::string first = "0", second = "0";
        std::optional<int16_t> message;
        bool differs = false;
        if (fn != kDisplayGroup || number == 1) {
            differs = a && b && *a != *b;
            if (differs) {
                first = byCatalogueDecimals(*a, info ? info->decimal : 0);
                second = byCatalogueDecimals(*b, info ? info->decimal : 0);
            }
        } else {
            if (number > kLastGroupedParameter) {
                message = static_cast<int16_t>(number - 32);
            } else {
                switch ((number - 2) % 4) {
                case 0:
                    decimals = {a ? *a : -1, b ? *b : -1};
                    first = a ? whole(*a) : first;
                    second = b ? whole(*b) : second;
                    break;
                case 1:
                case 2:
                    first = a ? FormatByDecimals(*a, decimals.first) : first;
                    second = b ? FormatByDecimals(*b, decimals.second) : second;
                    break;
                default:
                    message = static_cast<int16_t>((number - 5) / 4);
                }
            }
            differs = a && b && fit(first, 10) != fit(second, 10);
        }
        if (present && differs)
            found(ParametersDiffer, start + " " + fit(first, 10) + " " + fit(second, 10));
        if (message)
            compareMessage(start, *message);
    }

    void compareMessage(const std::string& start, int16_t number)
    {
        const auto* a = one_.message(number);
        const auto* b = two_.message(number);
        if (!a || !b) {
            notCompared(start + " Message " + whole(number) + " Missing From " + missingFrom(!a, !b));
            return;
        }
        if (!a->has_value() || !b->has_value())
            return;
        const std::string first = normalisedMessage(cp1252(**a)), second = normalisedMessage(cp1252(**b));
        if (first != second)
            found(MessagesDiffer, start + " " + first + " " + second);
    }

    // Quick messages are paired by number: for complete configurations that is their position.
    void quickMessages()
    {
        log_.blank();
        const auto& a = one_.quickMessages;
        const auto& b = two_.quickMessages;
        size_t i = 0, j = 0;
        while (i < a.size() || j < b.size()) {
            if (j == b.size() || (i < a.size() && a[i].offset < b[j].offset)) {
                notCompared(quickStart(a[i++].offset) + " Missing From FILE 2");
            } else if (i == a.size() || b[j].offset < a[i].offset) {
                notCompared(quickStart(b[j++].offset) + " Missing From FILE 1");
            } else {
                quickMessage(a[i++], b[j++]);
            }
        }
    }

    void quickMessage(const QuickRecord& a, const QuickRecord& b)
    {
        const std::string start = quickStart(a.offset);
        if (a.message && b.message) {
            const std::string first = normalisedMessage(cp1252(*a.message));
            const std::string second = normalisedMessage(cp1252(*b.message));
            if (first != second)
                found(MessagesDiffer, start + " Message" + spaces(9) + first + " " + second);
        }
        if (a.block && b.block && *a.block != *b.block)
            found(ParametersDiffer, start + " Block" + spaces(11) + fit(*a.block, 4) + spaces(7) + fit(*b.block, 4));
        if (a.parameter && b.parameter && *a.parameter != *b.parameter)
            found(ParametersDiffer,
                  start + " Parameter" + spaces(7) + fit(*a.parameter, 4) + spaces(7) + fit(*b.parameter, 4));
    }

    const Configuration& one_;
    const Configuration& two_;
    FunctionCatalogue& catalogue_;
    const CompareRequest& request_;
    Log log_;
    std::string comments_;
    CompareOutcome outcome_;
};

} // namespace

ShownFile shownFile(const QString& path, const QString& name)
{
    const QFileInfo info(path);
    ShownFile shown{name.isEmpty() ? path : name, std::nullopt};
    if (info.exists())
        shown.modified = info.lastModified();
    return shown;
}

CompareOutcome compareConfigurations(const Configuration& one, const Configuration& two, FunctionCatalogue& catalogue,
                                     const CompareRequest& request)
{
    return Comparison(one, two, catalogue, request).run();
}

QByteArray catalogueMissingLog(const QDateTime& now)
{
    Log log;
    log.line(withZoneDate("Function Catalogue OrvaneDATA.DAT Not Found", now));
    log.line("OrvaneDATA.DAT And The Orvane Programs Must Be In The Same Folder");
    return log.bytes();
}

QByteArray failedCompareLog(const CompareRequest& request, const QString& reason)
{
    Log log;
    writeHead(log, request);
    log.line(onOneLine(reason));
    writeTail(log, request.program);
    return log.bytes();
}

} // namespace orvane::compare
