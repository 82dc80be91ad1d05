// The message box of the window-less programs, loaded by them only when they show one.
#include "Desktop.h"
#include "Windowless.h"

#include <QApplication>

extern "C" Q_DECL_EXPORT bool orvane_notice_show(int* argc, char** argv, const char* textUtf8, const char* titleUtf8)
{
    if (!QApplication::instance())
        new QApplication(*argc, argv);   // kept for the rest of the run
    orvane::tools::WidgetDesktop().show(nullptr, {QString::fromUtf8(textUtf8), QString::fromUtf8(titleUtf8),
                                                  orvane::tools::Buttons::Ok, orvane::tools::Icon::Exclamation});
    return true;
}
