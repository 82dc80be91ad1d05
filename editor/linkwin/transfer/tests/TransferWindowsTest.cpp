#include "../SeamReporter.h"
#include "../frmWarn.h"
#include "ui/MessageSeam.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace brevant::linkwin;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "transfer_window_tests";
    static char* argv[] = {name, nullptr};
    static QApplication instance(argc, argv);
    return instance;
}

// Presses a button of the modal warning once it is up.
bool answerWarning(const char* button)
{
    QTimer::singleShot(0, [button] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "frmWarn" && w->isVisible())
                w->findChild<QPushButton*>(button)->click();
    });
    return confirmDownloadWarning(nullptr);
}

} // namespace

TEST(WarningDialog, ShowsTheTenLinesAndItsTwoButtons)
{
    app();
    frmWarn warn;
    EXPECT_EQ(warn.windowTitle(), "WARNING");
    EXPECT_EQ(warn.findChild<QLabel*>("Label1")->text(), "WARNING");
    EXPECT_EQ(warn.findChild<QLabel*>("Label2")->text(), "Failure to put the Orvane into S/M ALL mode during download");
    EXPECT_EQ(warn.findChild<QLabel*>("Label7")->text(), "Put Orvane into S/M ALL mode.");
    EXPECT_EQ(warn.findChild<QLabel*>("Label10")->text(), "EXIT S/M and verify that there are no error messages.");
    EXPECT_GT(warn.findChild<QLabel*>("Label6")->indent(), warn.findChild<QLabel*>("Label5")->indent());
    EXPECT_EQ(warn.findChild<QPushButton*>("cmdContinue")->text(), "Continue");
    EXPECT_EQ(warn.findChild<QPushButton*>("cmdCancel")->text(), "Cancel");
    EXPECT_FALSE(warn.cancelled());
}

TEST(WarningDialog, ContinueGoesOn_CancelStops)
{
    app();
    EXPECT_TRUE(answerWarning("cmdContinue"));
    EXPECT_FALSE(answerWarning("cmdCancel"));
}

TEST(ProgressWindow, CountsBytesOf7600OnlyWhileShown)
{
    app();
    frmProgress p;
    p.zero_progress("Download Progress");
    p.update_progress(3800);
    EXPECT_EQ(p.percent(), 0);  // hidden: nothing shown
    p.show();
    p.zero_progress("Download Progress");
    p.update_progress(3800);
    EXPECT_EQ(p.percent(), 50);
    EXPECT_EQ(p.findChild<QLabel*>("lblPercent")->text(), "50%");
    EXPECT_EQ(p.findChild<QProgressBar*>("ProgressBar1")->value(), 50);
    p.update_progress(3786);
    EXPECT_EQ(p.percent(), 100);
    EXPECT_EQ(p.windowTitle(), "Download Progress");
}

TEST(SeamReporting, TitlesAndIconsReachTheMessageSeam)
{
    app();
    std::vector<brevant::MessageRequest> seen;
    brevant::setMessageHandler([&](const brevant::MessageRequest& r) {
        seen.push_back(r);
        return brevant::Answer::Ok;
    });
    SeamReporter rep(nullptr);
    rep.message("Orvane Timeout", "", orvane::transfer::Icon::None);
    rep.message("x", "VERSION CONFLICT", orvane::transfer::Icon::Stop);
    brevant::setMessageHandler(nullptr);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].title, "Brevant");
    EXPECT_EQ(seen[0].icon, brevant::Icon::None);
    EXPECT_EQ(seen[0].buttons, brevant::Buttons::Ok);
    EXPECT_EQ(seen[1].title, "VERSION CONFLICT");
    EXPECT_EQ(seen[1].icon, brevant::Icon::Critical);
}
