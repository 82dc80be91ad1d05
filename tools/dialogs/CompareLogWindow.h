#pragma once
// The compare log shown to the user: by the desktop's program for text files, or, where
// the desktop has none, in a read-only window of its own. The editor and Ostrel both
// show their logs this way.

#include <QWidget>

namespace orvane::tools {

// The log, a Windows-1252 text with CR LF line ends, read-only in a fixed-pitch font.
class frmCompareLog : public QWidget {
    Q_OBJECT
public:
    frmCompareLog(QWidget* parent, const QString& logPath);
};

// Opens the log with the desktop's program for it; when there is none, shows it in a
// frmCompareLog in front of `parent`, deleted when closed.
void showCompareLog(QWidget* parent, const QString& logPath);

} // namespace orvane::tools
