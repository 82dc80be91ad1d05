#pragma once
// Keeps the settings store and the working copies of a test inside a private folder.

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace brevant::test {

inline void usePrivateSettings()
{
    static QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
}

} // namespace brevant::test
