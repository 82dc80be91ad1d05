#include "ui/PrintSeam.h"

#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>

namespace brevant {
namespace {

PrintDialogHandler& printDialogHandler()
{
    static PrintDialogHandler handler;
    return handler;
}

} // namespace

bool askPrinter(QWidget* parent, QPrinter& printer, int pageCount)
{
    if (printDialogHandler())
        return printDialogHandler()(printer);
    QPrintDialog dialog(&printer, parent);
    // Many machines have no printer: a PDF file is always offered. The range is chosen
    // here and printed by the caller, so it holds for a PDF file as for a printer.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintCollateCopies
                      | QAbstractPrintDialog::PrintPageRange);
    dialog.setMinMax(1, std::max(pageCount, 1));
    return dialog.exec() == QDialog::Accepted;
}

void setPrintDialogHandler(PrintDialogHandler handler) { printDialogHandler() = std::move(handler); }

} // namespace brevant
