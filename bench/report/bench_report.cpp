// The full printed report of a configuration with all 160 blocks in use, each with a
// long comment and a drawing comment: laid out, then drawn into a PDF file. Prints
// the figures (goal: under 1 s for both together).
// Usage: bench_report [CATALOGUE_FOLDER]   (default: the folder of this program)

#include "orvane/report/Render.h"
#include "orvane/report/Report.h"

#include <kessig/OrvaneDB.h>

#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Every block gets a function with inputs and parameters, in turn, with its constants.
void fillConfiguration(kessig::OrvaneDB& db)
{
    std::vector<int16_t> functions;
    db.FuncSetIndex("FN");
    for (db.FuncMoveFirst(); !db.FuncEOF(); db.FuncMoveNext())
        if (db.FuncFN() != 127 && db.FuncInputs() + db.FuncParams() > 0)
            functions.push_back(db.FuncFN());
    std::string comment;
    for (int w = 0; comment.size() < 600; ++w)
        comment += "valve" + std::to_string(w) + " opens when the level rises above the setpoint ";
    db.BeginTrans();
    for (int16_t b = 0; b < 160; ++b) {
        const int16_t fn = functions[static_cast<size_t>(b) % functions.size()];
        db.FuncSeekI(fn);
        const int count = db.FuncInputs() + db.FuncParams() + db.FuncHidden();
        db.BlockSeek(b);
        db.BlockEdit();
        db.BlockFn(fn);
        db.BlockConstant(static_cast<int16_t>(count));
        db.BlockComment("Block " + std::to_string(b) + ": " + comment);
        db.BlockVisioComment("TAG-" + std::to_string(b) + " " + comment.substr(0, 200));
        db.BlockUpdate();
        for (int16_t k = 0; k < count; ++k) {
            db.ConstantAddNew();
            db.ConstantBlockNumber(b);
            db.ConstantOffset(k);
            db.ConstantValue(k * 125);
            db.ConstantUpdate();
        }
    }
    db.CommentEdit();
    db.CommentTitle("Report benchmark");
    db.CommentComment(comment + "\r\n\r\n" + comment);
    db.CommentUpdate();
    db.CommitTrans();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QCoreApplication::applicationDirPath();
    QTemporaryDir dir;
    const QString file = dir.filePath("full.mdb");
    kessig::OrvaneDB db;
    db.open_database(folder.toStdString());
    db.create_new_database(file.toStdString());
    db.open_existing_database(file.toStdString(), kessig::Durability::Relaxed);
    fillConfiguration(db);

    std::vector<double> layout, render, total;
    size_t pages = 0;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        orvane::report::Report report(db, {}, {file, QDateTime::currentDateTime()});
        const std::vector<orvane::report::Page> laidOut = report.PrintReport();
        const auto laid = Clock::now();
        if (const auto error = orvane::report::writePdf(laidOut, dir.filePath("full.pdf"))) {
            std::fprintf(stderr, "%s\n", qPrintable(*error));
            return 1;
        }
        const auto end = Clock::now();
        pages = laidOut.size();
        layout.push_back(ms(laid - start));
        render.push_back(ms(end - laid));
        total.push_back(ms(end - start));
    }
    for (auto* v : {&layout, &render, &total})
        std::sort(v->begin(), v->end());
    std::printf("full report, 160 blocks in use with long comments, %zu pages (median of 5):\n", pages);
    std::printf("  lay out: %.1f ms\n  draw into PDF: %.1f ms\n  together: %.1f ms (goal: under 1000 ms)\n",
                layout[2], render[2], total[2]);
    return total[2] < 1000 ? 0 : 1;
}
