// Builds a sample configuration from its text description, and the layout of its
// selected-blocks monitor beside it (TARGET.mon).
// Usage: build_sample CATALOGUE_FOLDER SOURCE.txt TARGET.mdb
// A function the catalogue does not know is reported and its block left empty,
// so that the sample follows the catalogue it is built with.

#include "core/BlockModel.h"

#include "orvane/monitor/BlockTypes.h"
#include "orvane/monitor/LayoutFile.h"

#include <kessig/OrvaneDB.h>

#include <QFile>
#include <QString>
#include <QTextStream>
#include <cstdio>
#include <set>

namespace {

void setComment(kessig::OrvaneDB& db, const QString& what, const QString& text)
{
    db.CommentEdit();
    if (what == QLatin1String("title"))
        db.CommentTitle(text.left(80).toStdString());
    else if (what == QLatin1String("config"))
        db.CommentConfig(text.left(80).toStdString());
    else
        db.CommentComment(text.toStdString());
    db.CommentUpdate();
}

void setConstant(kessig::OrvaneDB& db, int block, int offset, int value)
{
    db.ConstantSeek(static_cast<int16_t>(block), static_cast<int16_t>(offset));
    if (db.ConstantNoMatch())
        throw std::runtime_error("block " + std::to_string(block) + " has no constant " + std::to_string(offset));
    db.ConstantEdit();
    db.ConstantValue(value);
    db.ConstantUpdate();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: build_sample CATALOGUE_FOLDER SOURCE.txt TARGET.mdb\n");
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[2]));
    if (!source.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "build_sample: cannot read %s\n", argv[2]);
        return 1;
    }
    const QString target = QString::fromLocal8Bit(argv[3]);
    const QString partial = target + QStringLiteral(".part");
    orvane::monitor::TileTable tiles;
    try {
        kessig::OrvaneDB db;
        db.open_database(argv[1]);
        QFile::remove(partial);
        db.create_new_database(partial.toStdString());
        db.open_existing_database(partial.toStdString());
        brevant::BlockFunctionTable table = brevant::defaultBlockFunctions();
        brevant::BlockModel model(db, table);
        model.reloadBlockFunctions();
        std::set<int> skipped;
        QTextStream in(&source);
        int lineNumber = 0;
        while (!in.atEnd()) {
            const QString line = in.readLine().trimmed();
            ++lineNumber;
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            const QString word = line.section(QLatin1Char(' '), 0, 0);
            const QString rest = line.section(QLatin1Char(' '), 1);
            const int a = rest.section(QLatin1Char(' '), 0, 0).toInt();
            const QString afterA = rest.section(QLatin1Char(' '), 1);
            const int b = afterA.section(QLatin1Char(' '), 0, 0).toInt();
            const int c = afterA.section(QLatin1Char(' '), 1, 1).toInt();
            if (word == QLatin1String("title") || word == QLatin1String("config") || word == QLatin1String("comment")) {
                setComment(db, word, rest);
            } else if (word == QLatin1String("function")) {
                QString cell;
                if (!model.assignFunction(a, afterA, cell)) {
                    std::fprintf(stderr, "build_sample: line %d: the catalogue has no function %s; block %d left empty\n",
                                 lineNumber, qPrintable(afterA), a);
                    skipped.insert(a);
                }
            } else if (word == QLatin1String("link") || word == QLatin1String("value")) {
                if (skipped.count(a))
                    continue;
                db.FuncSetIndex("FN");
                db.FuncSeekI(table[a]);
                const int offset = word == QLatin1String("link") ? b - 1 : db.FuncInputs() + b - 1;
                setConstant(db, a, offset, c);
            } else if (word == QLatin1String("message")) {
                db.MessageSeek(static_cast<int16_t>(a));
                db.MessageEdit();
                db.MessageMsg(afterA.left(16).toUpper().toStdString());
                db.MessageUpdate();
            } else if (word == QLatin1String("note")) {
                if (skipped.count(a))
                    continue;
                db.BlockSeek(static_cast<int16_t>(a));
                db.BlockEdit();
                db.BlockComment(afterA.toStdString());
                db.BlockUpdate();
            } else if (word == QLatin1String("tile")) {
                if (skipped.count(a))
                    continue;
                orvane::monitor::Tile tile;
                tile.block = a;
                tile.reading = orvane::monitor::tileReading(orvane::monitor::functionFtype(db, table[a]).value_or(-1));
                tile.left = orvane::monitor::snapLeft(b);
                tile.top = orvane::monitor::snapTop(c);
                tile.colour = orvane::monitor::kPalette.at(afterA.section(QLatin1Char(' '), 2, 2).toUInt());
                tile.tag = afterA.section(QLatin1Char(' '), 3).left(orvane::monitor::kTagLength);
                if (!tiles.add(tile))
                    throw std::runtime_error("more tiles than the monitor holds");
            } else {
                std::fprintf(stderr, "build_sample: line %d: unknown line '%s'\n", lineNumber, qPrintable(line));
                return 1;
            }
        }
        // The sample's layout must read back as it is written.
        if (const auto lossy = orvane::monitor::tagsOutsideCp1252(tiles); !lossy.empty())
            throw std::runtime_error(lossy.message(orvane::monitor::kTagsOutsideCp1252));
        db.close_work_dbs();
        db.close_database();
    } catch (const kessig::DbError& e) {
        std::fprintf(stderr, "build_sample: database error %d: %s\n", e.number(), e.text().c_str());
        QFile::remove(partial);
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "build_sample: %s\n", e.what());
        QFile::remove(partial);
        return 1;
    }
    QFile::remove(target);
    if (!QFile::rename(partial, target)) {
        std::fprintf(stderr, "build_sample: cannot write %s\n", argv[3]);
        return 1;
    }
    if (const auto failure = orvane::monitor::saveLayout(orvane::monitor::layoutPathFor(target), tiles)) {
        std::fprintf(stderr, "build_sample: cannot write the monitor layout: %s\n", qPrintable(*failure));
        return 1;
    }
    return 0;
}
