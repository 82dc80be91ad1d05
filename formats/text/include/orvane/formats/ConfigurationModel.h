#pragma once
// A configuration read whole out of the store, and the catalogue's description of
// each function used: what the text form writes and builds, and what the signal flow
// and its check are worked out from.

#include "orvane/formats/ParameterValues.h"

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace kessig { class OrvaneDB; }

namespace orvane::formats::text {

inline constexpr int kBlocks = 160;
inline constexpr int kMessages = 20;
inline constexpr int kQuickMessages = 8;
inline constexpr int kNop = 127;

struct ParameterDef {
    int type = 0;
    int decimal = 0;
    int messageOffset = 0;
    int32_t min = 0;
    int32_t max = 0;
    QString description;
    int32_t defaultValue = 0;
};

struct FunctionDef {
    int number = 0;
    QString name;
    int inputs = 0;
    int params = 0;
    int hidden = 0;
    int ftype = 0;                            // how the controller reads its output
    std::vector<QString> inputDescriptions;   // input 1 first
    std::vector<int> inputTypes;              // 1 analog, 2 discrete; input 1 first
    std::vector<ParameterDef> parameters;     // parameter 1 first, hidden ones after
    std::vector<QString> auxAnalogs;          // names of its auxiliary outputs, 1 first
    std::vector<QString> auxDiscretes;
    int constantCount() const { return inputs + params + hidden; }
};

// The catalogue's functions, each read once.
class FunctionCatalogue {
public:
    explicit FunctionCatalogue(kessig::OrvaneDB& db) : db_(db) {}
    // nullptr when the catalogue has no such function.
    const FunctionDef* function(int number);

private:
    kessig::OrvaneDB& db_;
    std::map<int, std::optional<FunctionDef>> functions_;
};

// "AABO" and "DABO": blocks that pass on an auxiliary output of the block on input 1,
// chosen by their first parameter.
bool isAuxOutputFunction(const QString& name);

// What a block of function f holds at `offset` before it is edited: an input links to
// block 0 when analog, else 2; a parameter or hidden constant holds its default.
int32_t defaultConstant(const FunctionDef& f, int offset);

// What a constant of a block is to its function.
enum class Role { Input, Parameter, Hidden, Other };
struct Slot {
    Role role = Role::Other;
    int number = 0;   // 1-based within its role; the offset for Role::Other
};
Slot slotOf(const FunctionDef* f, int offset);
// The offset of input, parameter or hidden constant `number`; -1 when there is none.
int offsetOf(const FunctionDef& f, Role role, int number);

struct Constant {
    int32_t stored = 0;
    QString shown;      // what the text gave (import only)
    int line = 0;
};

struct Block {
    int number = 0;
    int function = kNop;
    QString name;       // what the text gave (import only)
    int tempRam = 0;
    int volRam = 0;
    QString comment;
    QString drawingComment;
    std::map<int, Constant> constants;   // by offset
    int line = 0;
};

struct Text {
    QString text;
    int line = 0;
};

struct Quick {
    QString text;
    int block = 0;
    int parameter = 0;
    int line = 0;
};

struct Configuration {
    QString title;
    QString config;
    QString description;
    std::map<int, Block> blocks;
    std::map<int, Text> messages;
    std::map<int, Quick> quick;
};

// Reads the open configuration of `db` whole.
Configuration readConfiguration(kessig::OrvaneDB& db);

// The comment the main window shows for a block: the drawing comment, unless it is blank.
QString shownComment(const QString& comment, const QString& drawingComment);

// What the editor shows for parameter `parameter` (1-based) of a block running `f`.
QString shownValue(const FunctionDef& f, int parameter, const Block& block, const Configuration& config);

} // namespace orvane::formats::text
