#pragma once
// A configuration as UTF-8 text in a stable order and layout, so that a diff of two
// versions reads as the change an engineer made: the configuration texts, one section
// per block in use (its function, each input with its source block, each parameter
// with its shown value, stored value and description, hidden constants, comments),
// then the messages and the quick messages. The text builds the configuration back.

#include <QString>
#include <optional>

namespace kessig { class OrvaneDB; }

namespace orvane::formats {

// The open configuration of `db`, described with the help of its open catalogue.
// Throws kessig::DbError when the configuration cannot be read.
QString exportConfiguration(kessig::OrvaneDB& db);

// Why a text cannot be built: the line (1-based) and the reason.
struct TextFault {
    int line = 0;
    QString reason;
    QString text() const { return QStringLiteral("line %1: %2").arg(line).arg(reason); }
};

// Writes the configuration that `text` describes into the open configuration of `db`,
// a new one as create_new_database makes it, in one transaction. A text naming a
// function the catalogue lacks, a value outside its limits, an incomplete or a
// malformed line is refused with its fault, and nothing is written.
std::optional<TextFault> importConfiguration(kessig::OrvaneDB& db, const QByteArray& text);

} // namespace orvane::formats
