#pragma once
// Real configuration files for the flow tests: made with the built catalogue, then read
// back the way the programs read them.

#include "orvane/compare/testing/ConfigurationFile.h"
#include "orvane/flow/ConfigurationSnapshot.h"

#include <kessig/OrvaneDB.h>

#include <QGuiApplication>
#include <QString>

namespace orvane::flow::testing {

using compare::testing::ConfigurationFile;

inline ConfigurationSnapshot readSnapshot(const QString& path)
{
    kessig::OrvaneDB db;
    db.open_database(compare::testing::programFolder().toStdString());
    db.open_existing_database(path.toStdString());
    return ConfigurationSnapshot::read(db);
}

// The one application object, for the fonts the diagram is measured and drawn with.
inline void guiApplication()
{
    static int argc = 1;
    static char name[] = "flow_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}

inline QString samplePath() { return compare::testing::programFolder() + QStringLiteral("/samples/Sample Plant.mdb"); }

// Function numbers of the built catalogue.
inline constexpr int16_t kAin = 2, kAout = 3, kDin = 5, kPid = 10, kAdd = 20, kHiAlarm = 70, kAnd = 50,
                         kDisplayGroup = 96, kAabo = 120, kDabo = 121;

} // namespace orvane::flow::testing
