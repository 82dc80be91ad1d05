// Ostrel: merges every comment of one configuration into another.
#include "Desktop.h"
#include "Form1.h"
#include "orvane/files/Leftovers.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // A termination signal takes this run's working copies with it; those other runs
    // left go now.
    orvane::files::removeWorkingFilesOnTermination();
    orvane::files::removeLeftovers();
    orvane::tools::WidgetDesktop desktop;
    ostrel::Form1 form(QCoreApplication::applicationDirPath(), desktop);
    form.show();
    return app.exec();
}
