// Download, upload and verify as the main window starts them: the warning window, the
// question and every message through the message seam, progress in frmProgress.
#include "linkwin/LinkCommands.h"

#include "HistorySetting.h"
#include "SeamReporter.h"
#include "frmWarn.h"
#include "linkwin/comm/TheLink.h"
#include "ui/MessageSeam.h"

#include "orvane/record/HistoryLog.h"
#include "orvane/transfer/Commands.h"
#include "orvane/transfer/Texts.h"

namespace brevant::linkwin {

namespace {

class EditorOperator : public orvane::transfer::Operator {
public:
    explicit EditorOperator(QWidget* parent) : parent_(parent) {}
    bool confirmDownload() override { return confirmDownloadWarning(parent_); }
    bool askYesNo(const std::string& text) override
    {
        return showMessage(parent_, QString::fromStdString(text), Buttons::YesNo, Icon::Exclamation) == Answer::Yes;
    }

private:
    QWidget* parent_;
};

} // namespace

bool download(QWidget* parent, kessig::OrvaneDB& db, const QString& file)
{
    SeamReporter reporter(parent);
    EditorOperator user(parent);
    orvane::record::HistoryLog log(sharedHistoryFolder(), file);
    return orvane::transfer::CMDDWNLD_Click(theLink(), db, file.toStdString(), reporter, user, log) ==
           orvane::transfer::Outcome::Completed;
}

bool upload(QWidget* parent, kessig::OrvaneDB& db, const QString& file, BlockFunctionTable& blockFunctions)
{
    SeamReporter reporter(parent);
    EditorOperator user(parent);
    orvane::record::HistoryLog log(sharedHistoryFolder(), file);
    return orvane::transfer::Command6_Click(theLink(), db, blockFunctions, reporter, user, log) ==
           orvane::transfer::Outcome::Completed;
}

void verify(QWidget* parent, kessig::OrvaneDB& db, const QString& file)
{
    SeamReporter reporter(parent);
    orvane::record::HistoryLog log(sharedHistoryFolder(), file);
    const auto result = orvane::transfer::verifyAgainstController(theLink(), db, file.toStdString(), reporter, log);
    if (result.outcome != orvane::transfer::Outcome::Completed)
        return;
    const bool matches = result.differences.empty();
    reporter.message(orvane::transfer::verifySummary(result.differences, orvane::transfer::kDifferencesShown, result.heldAs),
                     orvane::transfer::texts::kVerifyTitle,
                     matches ? orvane::transfer::Icon::Information : orvane::transfer::Icon::Exclamation);
}

bool downloadAvailable() { return true; }
bool uploadAvailable() { return true; }

} // namespace brevant::linkwin
