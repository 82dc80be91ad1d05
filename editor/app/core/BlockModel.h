#pragma once
// Reading a block for display and changing it, through the one OrvaneDB object.
// The block function table is the editor's copy of each block's function number.

#include "ConfigurationRows.h"
#include "Encoding.h"

#include <orvane/formats/ConfigurationModel.h>

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace kessig { class OrvaneDB; }

namespace brevant {

class EditHistory;

using BlockFunctionTable = std::array<int16_t, 160>;
inline constexpr int16_t kNopFunction = 127;
inline constexpr int kBlockCount = 160;

BlockFunctionTable defaultBlockFunctions();

struct InputRow {
    int32_t source = 0;
    QString description;
    QString function;   // "????" when the source block is empty
    QString ad;         // "A", "D", "?" or ""
};

struct ParamRow {
    QString value;
    QString description;
    bool tall = false;  // the description needs two lines
};

struct BlockView {
    bool empty = true;        // the block runs no function
    bool found = false;       // its function was found in the catalogue
    int16_t function = kNopFunction;
    int16_t inputCount = 0;
    QString name;
    QString comment;
    bool auxOutput = false;   // "AABO" or "DABO": the parameter grid shows the aux output
    std::vector<InputRow> inputs;
    std::vector<ParamRow> params;
    // Offsets of the constant rows the block lacks while it owns others: nothing of it
    // is shown or editable then.
    std::vector<int> missingConstants;
};

// Says which constant rows of a block are missing (see BlockView::missingConstants).
QString missingConstantsMessage(int block, const QString& functionName, const std::vector<int>& missing);

// The auxiliary output of an "AABO"/"DABO" block.
struct AuxChoice {
    int16_t sourceFunction = 0;
    QString sourceName;       // trimmed name of the source block's function
    QString kind;             // "A" or "D"
    int16_t count = 0;        // outputs of that kind the source offers
    int32_t value = 0;
    QString name;
    QStringList outputNames;  // 1..count
};

using orvane::formats::text::isAuxOutputFunction;

// The catalogue's texts that the block map and the grids show, trimmed.
struct CatalogueTexts {
    QStringList names;
    QStringList inputDescriptions;
    QStringList paramDescriptions;
};

// Each change is kept as one step of `history` when one is given.
class BlockModel {
public:
    BlockModel(kessig::OrvaneDB& db, BlockFunctionTable& table, EditHistory* history = nullptr)
        : db_(db), table_(table), history_(history)
    {
    }

    // The cell text of the block map: " " for an empty block, else the function name.
    QString cellText(int block);
    std::array<QString, kBlockCount> blockMapTexts();
    // Reloads the block function table from the open configuration.
    void reloadBlockFunctions();

    BlockView readBlock(int block, const QString& cellName);
    // Input `n` (1-based) of a block of `function`, linked to block `source`.
    InputRow inputRow(int16_t function, int n, int32_t source);
    CatalogueTexts catalogueTexts();

    // False when the function name is not in the catalogue; else assigns it,
    // rebuilding the block's constants from the catalogue's defaults, and
    // returns the new cell text in cellText.
    bool assignFunction(int block, const QString& functionName, QString& cellText);

    CommitResult commitInput(int block, int row, const QString& text);
    // Parameter `row` (1-based) of the block; text parameters go to "Messages".
    CommitResult commitParameter(int block, int16_t function, int16_t inputCount, int row, const QString& text);

    // The aux output as the block's first parameter holds it (`UpdateAuxOutput`): its
    // stored number, named "NOT OFFERED BY " and the source's function when the source
    // offers no output of that number.
    AuxChoice auxOutput(int block, const QString& functionName);
    // Writes the chosen aux value into the block's first parameter.
    void storeAuxValue(int block, int32_t value);

private:
    // The block's constants as a download sends them: its rows (0 where one is missing,
    // and the offset added to `missing` when given), or the catalogue's defaults while
    // the block owns none.
    std::vector<int32_t> constantsOf(int block, int16_t function, std::vector<int>* missing = nullptr);
    // The constants a block of this function starts with: inputs 0 (analog) or 2, then
    // the defaults of its parameters and hidden constants.
    std::vector<int32_t> catalogueConstants(int16_t function);
    // How many constants a block of this function owns; 0 for a function the catalogue lacks.
    int16_t constantCount(int16_t function);
    // The rows a change of the block may write, were it given newFunction: its "Block List"
    // row and every constant row it owns or will own.
    RowScope blockScope(int block, int16_t newFunction);
    // Runs write, kept in the history as the step `name` that shows `block`.
    void change(const QString& name, int block, const RowScope& scope, const std::function<void()>& write);
    // Replaces the block's constant rows by the catalogue's and sets its function and
    // count; the caller holds the transaction.
    void rebuildConstants(int block, int16_t function);
    void writeConstant(int block, int offset, int32_t value);
    // writeConstant as the step `name`.
    void changeConstant(const QString& name, int block, int offset, int32_t value);

    kessig::OrvaneDB& db_;
    BlockFunctionTable& table_;
    EditHistory* history_;
};

} // namespace brevant
