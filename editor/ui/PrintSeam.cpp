#include "ui/PrintSeam.h"

#include <QPrintDialog>
#include <QPrinter>

namespace brevant {
namespace {

PrintDialogHandler& printDialogHandler()
{
    static PrintDialogHandler handler;
    return handler;
}

} // namespace

bool askPrinter(QWidget* parent, QPrinter& printer)
{
    if (printDialogHandler())
        return printDialogHandler()(printer);
    QPrintDialog dialog(&printer, parent);
    // Many machines have no printer: a PDF file is always offered.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintCollateCopies);
    return dialog.exec() == QDialog::Accepted;
}

void setPrintDialogHandler(PrintDialogHandler handler) { printDialogHandler() = std::move(handler); }

} // namespace brevant
