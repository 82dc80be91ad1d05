// Ostrel: merges every comment of one configuration into another.
#include "Desktop.h"
#include "Form1.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    orvane::tools::WidgetDesktop desktop;
    ostrel::Form1 form(QCoreApplication::applicationDirPath(), desktop);
    form.show();
    return app.exec();
}
