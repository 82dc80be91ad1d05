#pragma once
// Juxta writes its compare log and comments file in Windows-1252. Before it runs, the
// texts that would lose characters there are named, and the user may stop.

#include <QString>

class QWidget;

namespace brevant {

// Before a compare of file1 with the user's file: true when no text of the log or the
// comments file would lose a character, or the user chose to go on.
bool acceptCompareTexts(QWidget* parent, const QString& file1, char reportCode, const QString& globalFile);

// Before a comment import from source: true when no comment would arrive with "?" in
// place of a character, or the user chose to go on.
bool acceptImportedComments(QWidget* parent, const QString& source);

} // namespace brevant
