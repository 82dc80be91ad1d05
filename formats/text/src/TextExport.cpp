#include "orvane/formats/ConfigurationText.h"

#include "orvane/formats/ConfigurationModel.h"
#include "TextSyntax.h"

#include <kessig/OrvaneDB.h>

#include <QStringList>

namespace orvane::formats {

using namespace text;

namespace {

bool inUse(const Block& b)
{
    return b.function != kNop || !b.comment.isEmpty() || !b.drawingComment.isEmpty() || b.tempRam != 0
           || b.volRam != 0 || !b.constants.empty();
}

// A text statement; a text of several lines continues on lines of its own, one
// quoted piece per line, so that a changed line of a comment is one changed line.
void addText(QStringList& out, const QString& head, const QString& value)
{
    QStringList pieces;
    qsizetype from = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\n') && i + 1 < value.size()) {
            pieces << value.mid(from, i + 1 - from);
            from = i + 1;
        }
    }
    pieces << value.mid(from);
    out << head + QStringLiteral(" = ") + quoted(pieces.first());
    const QString indent(head.size() + 3, QLatin1Char(' '));
    for (qsizetype i = 1; i < pieces.size(); ++i)
        out << indent + quoted(pieces[i]);
}

QString remark(const QString& line, const QString& description)
{
    return description.isEmpty() ? line : line + QStringLiteral("  # ") + description;
}

void addBlock(QStringList& out, const Block& b, const FunctionDef* f, const Configuration& c)
{
    out << QString();
    out << QStringLiteral("block %1: %2 (function %3)").arg(b.number).arg(f ? f->name : QStringLiteral("?")).arg(b.function);
    if (!b.comment.isEmpty())
        addText(out, QStringLiteral("  comment"), b.comment);
    if (!b.drawingComment.isEmpty())
        addText(out, QStringLiteral("  drawing comment"), b.drawingComment);
    if (b.tempRam != 0)
        out << QStringLiteral("  tempram = %1").arg(b.tempRam);
    if (b.volRam != 0)
        out << QStringLiteral("  volram = %1").arg(b.volRam);
    for (const auto& [offset, constant] : b.constants) {
        const Slot slot = slotOf(f, offset);
        const QString stored = QString::number(constant.stored);
        switch (slot.role) {
        case Role::Input:
            out << remark(QStringLiteral("  input %1 = %2").arg(slot.number).arg(stored),
                          f->inputDescriptions[static_cast<std::size_t>(slot.number - 1)]);
            break;
        case Role::Parameter: {
            const ParameterDef& p = f->parameters[static_cast<std::size_t>(slot.number - 1)];
            const QString shown = shownValue(*f, slot.number, b, c);
            const QString value = p.type == kTextParameter || shown.isEmpty() ? quoted(shown) : shown;
            out << remark(QStringLiteral("  parameter %1 = %2 (stored %3)").arg(slot.number).arg(value, stored),
                          p.description);
            break;
        }
        case Role::Hidden:
            out << QStringLiteral("  hidden %1 = %2").arg(slot.number).arg(stored);
            break;
        case Role::Other:
            out << QStringLiteral("  constant %1 = %2").arg(offset).arg(stored);
            break;
        }
    }
}

} // namespace

QString exportConfiguration(kessig::OrvaneDB& db)
{
    const Configuration c = readConfiguration(db);
    FunctionCatalogue catalogue(db);
    QStringList out{QStringLiteral("orvane configuration text 1"), QString()};
    addText(out, QStringLiteral("title"), c.title);
    addText(out, QStringLiteral("config"), c.config);
    addText(out, QStringLiteral("description"), c.description);
    for (const auto& [number, block] : c.blocks)
        if (inUse(block))
            addBlock(out, block, catalogue.function(block.function), c);
    out << QString();
    for (const auto& [offset, message] : c.messages)
        out << QStringLiteral("message %1 = %2").arg(offset).arg(quoted(message.text));
    out << QString();
    for (const auto& [offset, quick] : c.quick)
        out << QStringLiteral("quick %1 = %2 (block %3, parameter %4)")
                   .arg(offset)
                   .arg(quoted(quick.text))
                   .arg(quick.block)
                   .arg(quick.parameter);
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace orvane::formats
