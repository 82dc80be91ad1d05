#pragma once
// The File menu's "&Compare Database Files" and "&Import Comments", with the report
// choice.

#include <QDialog>
#include <QWidget>

class QRadioButton;

namespace brevant {

class EditorSession;

// "COMPARE REPORT": which differences the log shows.
class frmReportType : public QDialog {
    Q_OBJECT
public:
    explicit frmReportType(QWidget* parent);
    // "L" all differences, "S" block functions and inputs, "C" cancelled (also when the
    // window was closed without either button).
    char reportCode() const { return code_; }

private:
    QRadioButton* option1_ = nullptr;
    char code_ = 'C';
};

// Runs the compare and shows its log.
void vCompareDatabase(QWidget* parent, const QString& filename, char reportCode, const QString& globalFile);

void mnuFileCompare_Click(QWidget* parent, EditorSession& session);
// True when comments of the open configuration were written.
bool mnuFileImport_Click(QWidget* parent, EditorSession& session);

} // namespace brevant
