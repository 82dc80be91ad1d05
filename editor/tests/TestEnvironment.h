#pragma once
// Keeps the settings store and the working copies of a test inside a private folder,
// makes the one application object of a window test, and shows texts that differ.

#include <QApplication>
#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

// A failed comparison of texts shows the texts.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace brevant::test {

inline void usePrivateSettings()
{
    static QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
}

// The test program's application, made once, after the settings were made private.
inline QApplication& application()
{
    static int argc = 1;
    static char name[] = "brevant_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        usePrivateSettings();
        auto* a = new QApplication(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Brevant"));
        return a;
    }();
    return *app;
}

// Opens `path` through File > Open, whose dialog the test answers with `chosenFile`,
// and shows the main window as it is once started.
template <class MainWindow> void openShown(MainWindow& w, QString& chosenFile, const QString& path)
{
    chosenFile = path;
    ASSERT_TRUE(w.files().OpenExistingFile());
    w.FillBlockMap();
    w.markActivationHandled();
    w.show();
}

} // namespace brevant::test
