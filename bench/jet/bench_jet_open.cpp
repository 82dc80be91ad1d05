// Prints what opening a legacy Jet configuration costs: the reader process turning a
// file of 160 blocks and 1280 constants into a working copy, then the store opening
// it and reading every block and constant, as the editor's Open does. Goal: under
// 300 ms as a whole. The same configuration in the tool set's own format is timed
// beside it, and both as a compare reads them.
#include "orvane/compare/Configuration.h"
#include "orvane/files/WorkingCopy.h"
#include "orvane/formats/JetFiles.h"

#include <kessig/OrvaneDB.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double openOnce(const QString& file, QString* work)
{
    QElapsedTimer timer;
    timer.start();
    *work = orvane::files::GetWorkFileName();
    if (const auto error = orvane::formats::copyConfiguration(file, *work)) {
        std::fprintf(stderr, "%s\n", error->toLocal8Bit().constData());
        std::exit(1);
    }
    kessig::OrvaneDB db;
    (void)db.TestVisioComments(work->toStdString());
    db.open_existing_database(work->toStdString(), kessig::Durability::Relaxed);
    long rows = 0;
    for (db.BlockMoveFirst(); !db.BlockEOF(); db.BlockMoveNext(), ++rows)
        (void)db.BlockFn();
    for (db.ConstantMoveFirst(); !db.ConstantEOF(); db.ConstantMoveNext(), ++rows)
        (void)db.ConstantValue();
    db.close_work_dbs();
    if (rows != 160 + 1280) {
        std::fprintf(stderr, "read %ld rows, not 1440\n", rows);
        std::exit(1);
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Times `once` twenty times; it returns the milliseconds it measured.
template <class F> void report(const char* what, F&& once)
{
    std::vector<double> times;
    for (int i = 0; i < 20; ++i)
        times.push_back(once(i));
    std::sort(times.begin(), times.end());
    std::printf("%s: median %.1f ms, slowest %.1f ms of %zu\n", what, times[times.size() / 2], times.back(),
                times.size());
}

// What a compare does with a Jet file: a working copy, read whole, removed again.
double readForCompare(const QString& file)
{
    QElapsedTimer timer;
    timer.start();
    const orvane::compare::Configuration c = orvane::compare::readConfiguration(file);
    if (c.blocks.size() != 160 || c.constants.size() != 1280) {
        std::fprintf(stderr, "read %zu blocks and %zu constants\n", c.blocks.size(), c.constants.size());
        std::exit(1);
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString jet = QStringLiteral(ORVANE_SOURCE_DIR "/bench/jet/plant-1280.mdb");
    QString converted;
    report("open a Jet configuration (160 blocks, 1280 constants) into a working copy (goal < 300 ms)", [&](int i) {
        QString work;
        const double ms = openOnce(jet, &work);
        if (i == 0)
            converted = work;
        else
            orvane::files::deleteFileForced(work);
        return ms;
    });
    report("open the same configuration in the tool set's own format", [&](int) {
        QString work;
        const double ms = openOnce(converted, &work);
        orvane::files::deleteFileForced(work);
        return ms;
    });
    report("read the Jet configuration for a compare (Juxta, Tracera, Ostrel, orvane compare)",
           [&](int) { return readForCompare(jet); });
    report("read the same configuration in the tool set's own format for a compare",
           [&](int) { return readForCompare(converted); });
    orvane::files::deleteFileForced(converted);
    return 0;
}
