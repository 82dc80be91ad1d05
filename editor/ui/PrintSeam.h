#pragma once
// The print dialog goes through here, so tests can choose the printer (a PDF file)
// without a dialog on screen.

#include <functional>

class QPrinter;
class QWidget;

namespace brevant {

// Shows the print dialog for `printer`: printer, copies, collation, a range of the
// report's `pageCount` pages and printing to a PDF file offered; no selection. True when
// the user chose to print.
bool askPrinter(QWidget* parent, QPrinter& printer, int pageCount);

// Tests install a handler that sets up the printer and answers; none shows the dialog.
using PrintDialogHandler = std::function<bool(QPrinter&)>;
void setPrintDialogHandler(PrintDialogHandler handler);

} // namespace brevant
