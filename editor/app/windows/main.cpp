// Brevant: the configuration editor of the Orvane controller.

#include "EditorApp.h"
#include "ui/MessageSeam.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

namespace {

// --screenshot DIR FILE: open FILE, grab the main window in both modes, with an edit box
// holding sixteen characters, at its first size and at 1280 x 1024; then quit.
int screenshots(brevant::EditorApp& app, const QString& dir, const QString& file)
{
    using namespace brevant;
    setFileDialogHandler([file](const FileDialogRequest&) { return file; });
    setMessageHandler([](const MessageRequest& r) {
        qWarning("message: %s", qPrintable(r.text));
        return Answer::No;
    });
    Form3& w = app.mainWindow();
    if (!w.files().OpenExistingFile())
        return 1;
    w.FillBlockMap();
    // The first block past the fixed ones whose function has inputs, so both grids show rows.
    int block = 0;
    kessig::OrvaneDB& db = app.db();
    db.FuncSetIndex("FN");
    for (int b = 4; b < 160 && block == 0; ++b) {
        db.FuncSeekI(app.session().BlockFunctions[b]);
        if (!db.FuncNoMatch() && db.FuncInputs() > 0)
            block = b;
    }
    w.markActivationHandled();
    w.show();
    QDir().mkpath(dir);
    auto grab = [&](const QString& name) {
        QApplication::processEvents();
        w.grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
    };
    qWarning("first size %dx%d, least %dx%d", w.width(), w.height(), w.minimumSizeHint().width(),
             w.minimumSizeHint().height());
    for (const QString& size : {QStringLiteral("first"), QStringLiteral("1280x1024")}) {
        if (size != QLatin1String("first"))
            w.resize(1280, 1024);
        w.BlockDataMode();
        w.selectBlock(block);
        w.Grid1_Click();
        grab(QStringLiteral("block-data-") + size);
        auto* grid3 = w.findChild<QTableWidget*>(QStringLiteral("Grid3"));
        auto* box = w.findChild<QLineEdit*>(QStringLiteral("txtEdit1"));
        grid3->setCurrentCell(0, 0);
        w.FlexGridEdit(grid3, box, ' ');
        box->setText(QStringLiteral("TANK LOW LEVEL 1"));
        grab(QStringLiteral("edit-box-") + size);
        w.EditKeyCode(grid3, box, Qt::Key_Escape);
        w.FunctionTypeMode();
        grab(QStringLiteral("function-type-") + size);
    }
    app.session().deleteWorkFile();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brevant"));
    QApplication::setApplicationVersion(QStringLiteral("7.11"));
    brevant::EditorApp app;
    const QString error = app.start(QCoreApplication::applicationDirPath());
    if (!error.isEmpty()) {
        brevant::showMessage(nullptr, error, brevant::Buttons::Ok, brevant::Icon::Critical);
        return 1;
    }
    const QStringList args = QCoreApplication::arguments();
    const qsizetype shot = args.indexOf(QStringLiteral("--screenshot"));
    if (shot >= 0 && shot + 2 < args.size())
        return screenshots(app, args[shot + 1], args[shot + 2]);
    // A configuration given to the program (by the desktop's "open with") opens at once.
    QString givenFile;
    for (const QString& arg : args.mid(1))
        if (!arg.startsWith(QStringLiteral("--")))
            givenFile = arg;
    app.showStartUp(givenFile);
    // The first activation of the main window shows the start dialog; quitting
    // there (Cancel) or through Exit ends the loop.
    return QApplication::exec();
}
