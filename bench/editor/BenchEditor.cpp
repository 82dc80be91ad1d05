// Opening a full configuration (160 blocks in use) to a filled block map, one
// Grid1_Click on the block with the most parameters, and the undo and redo of a function
// assignment there, as Edit > Undo and Redo run them (the block shown again). Prints the figures.
// Usage: bench_editor [CATALOGUE_FOLDER]   (default: the folder of this program)

#include "EditorApp.h"
#include "ui/MessageSeam.h"
#include "orvane/files/WorkingCopy.h"
#include "orvane/formats/JetFiles.h"

#include <kessig/OrvaneDB.h>

#include <QApplication>
#include <QUndoStack>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>
#include <vector>

using Clock = std::chrono::steady_clock;

static double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath("data").toUtf8());
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QCoreApplication::applicationDirPath();
    brevant::setMessageHandler([](const brevant::MessageRequest& r) {
        std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
        return brevant::Answer::Yes;
    });

    brevant::EditorApp app;
    if (const QString e = app.start(folder); !e.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(e));
        return 1;
    }
    kessig::OrvaneDB& db = app.db();

    // The function with the most parameters, to fill every block, and the one with the
    // most after it, assigned in its place for the undo.
    QString widest, next;
    int widestParams = -1, nextParams = -1;
    db.FuncSetIndex("FN");
    for (db.FuncMoveFirst(); !db.FuncEOF(); db.FuncMoveNext()) {
        const QString name = QString::fromStdString(db.FuncName());
        if (db.FuncFN() == brevant::kNopFunction || brevant::isAuxOutputFunction(name))
            continue;
        if (db.FuncParams() > widestParams) {
            std::swap(next, widest);
            nextParams = std::exchange(widestParams, db.FuncParams());
            widest = name;
        } else if (db.FuncParams() > nextParams) {
            nextParams = db.FuncParams();
            next = name;
        }
    }

    QTemporaryDir dir;
    const QString file = dir.filePath("full.mdb");
    db.create_new_database(file.toStdString());
    db.open_existing_database(file.toStdString());
    brevant::BlockFunctionTable table = brevant::defaultBlockFunctions();
    brevant::BlockModel model(db, table);
    for (int b = 0; b < brevant::kBlockCount; ++b) {
        QString cell;
        model.assignFunction(b, widest, cell);
    }
    db.close_work_dbs();

    brevant::setFileDialogHandler([file](const brevant::FileDialogRequest&) { return file; });
    brevant::Form3& w = app.mainWindow();
    std::vector<double> opens, clicks;
    for (int run = 0; run < 5; ++run) {
        app.session().deleteWorkFile();
        const auto t0 = Clock::now();
        w.files().OpenExistingFile();
        w.FillBlockMap();
        opens.push_back(ms(Clock::now() - t0));
        for (int i = 0; i < 20; ++i) {
            w.selectBlock(77);
            const auto t1 = Clock::now();
            w.Grid1_Click();
            clicks.push_back(ms(Clock::now() - t1));
        }
    }
    QString cell;
    app.session().model().assignFunction(77, next, cell);
    QUndoStack& history = app.session().history().stack();
    std::vector<double> undos, redos;
    for (int i = 0; i < 50; ++i) {
        const auto t0 = Clock::now();
        history.undo();
        const auto t1 = Clock::now();
        history.redo();
        undos.push_back(ms(t1 - t0));
        redos.push_back(ms(Clock::now() - t1));
    }
    app.session().deleteWorkFile();

    // Where an open's time goes: the same steps one by one.
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::vector<double> recover, copy, check, reload;
    for (int run = 0; run < 5; ++run) {
        const auto t0 = Clock::now();
        kessig::recoverInterruptedWrite(file.toStdString());
        const auto t1 = Clock::now();
        const orvane::files::WorkingCopy work(file, orvane::formats::copyConfiguration);
        const auto t2 = Clock::now();
        db.open_existing_database(work.path().toStdString(), kessig::Durability::Relaxed, file.toStdString());
        const auto t3 = Clock::now();
        brevant::BlockFunctionTable functions = brevant::defaultBlockFunctions();
        brevant::BlockModel(db, functions).reloadBlockFunctions();
        const auto t4 = Clock::now();
        db.close_work_dbs();
        recover.push_back(ms(t1 - t0));
        copy.push_back(ms(t2 - t1));
        check.push_back(ms(t3 - t2));
        reload.push_back(ms(t4 - t3));
    }
    std::sort(opens.begin(), opens.end());
    std::sort(clicks.begin(), clicks.end());
    std::printf("open full configuration to filled block map: median %.2f ms (goal < 10 ms)\n", opens[opens.size() / 2]);
    std::printf("  of which: unfinished-write check %.2f ms, working copy with the file's version %.2f ms, "
                "checked open %.2f ms, block function table %.2f ms\n",
                median(recover), median(copy), median(check), median(reload));
    std::printf("Grid1_Click on %s (%d parameters): median %.3f ms (goal < 5 ms)\n", qPrintable(widest), widestParams,
                clicks[clicks.size() / 2]);
    const auto slowest = [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); };
    std::printf("undo of Assign %s to Block 77 (over %s): median %.3f ms, slowest %.3f ms (goal < 5 ms)\n",
                qPrintable(next), qPrintable(widest), median(undos), slowest(undos));
    std::printf("redo of it: median %.3f ms, slowest %.3f ms (goal < 5 ms)\n", median(redos), slowest(redos));
    return 0;
}
