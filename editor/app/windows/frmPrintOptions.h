#pragma once
// "frmPrintOptions": which sections and blocks the printed report holds, and where it
// goes: a printer, a PDF file or a preview. Printing unloads it; opened again it
// starts from the defaults.

#include "orvane/report/Page.h"
#include "orvane/report/Report.h"

#include <QWidget>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPrinter;
class QRadioButton;

namespace brevant {

class EditorSession;

class frmPrintOptions : public QWidget {
    Q_OBJECT
public:
    frmPrintOptions(EditorSession& session, QWidget* parent);

    const orvane::report::PrintOptions& options() const { return options_; }

    void optAll_Click();
    void optRange_Click();
    // Leaving a range box: false (focus kept, message shown) when its number is not valid.
    bool tbFrom_Validate();
    bool tbTo_Validate();
    void cbTesseraDB_Click();
    void cmdPrint_Click();
    void cmdPreview_Click();
    void cmdPdf_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The report as the options stand; nullopt (after a message) when it cannot be made.
    std::optional<std::vector<orvane::report::Page>> layOut();
    bool readyToPrint();
    bool validateRangeBox(QLineEdit* box);
    void printOn(QPrinter& printer);
    // The pages the printer's job asks for: its range, and its copies and order where it
    // does not see to them itself.
    void printPages(const std::vector<orvane::report::Page>& pages, QPrinter& printer);

    EditorSession& session_;
    orvane::report::PrintOptions options_;
    QCheckBox* cbTesseraGrd_;
    QCheckBox* cbTesseraDB_;
    QCheckBox* cbDiagram_;
    QGroupBox* frmWhichBlocks_;
    QRadioButton* optAll_;
    QRadioButton* optRange_;
    QGroupBox* fraFrom_;
    QGroupBox* fraTo_;
    QLineEdit* tbFrom_;
    QLineEdit* tbTo_;
};

} // namespace brevant
