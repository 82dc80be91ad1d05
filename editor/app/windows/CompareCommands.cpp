#include "CompareCommands.h"

#include "CompareLogWindow.h"
#include "core/CommentImport.h"
#include "core/CompanionTexts.h"
#include "core/CompareRun.h"
#include "core/EditorSession.h"
#include "ui/MessageSeam.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace brevant {

namespace {

QString askConfiguration(QWidget* parent, const EditorSession& session)
{
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.filter = kConfigurationFilter;
    request.fileName = QFileInfo(session.GlobalFile).absolutePath();
    return askFileName(parent, request);
}

} // namespace

frmReportType::frmReportType(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReportType"));
    setWindowTitle(QStringLiteral("COMPARE REPORT"));
    auto* frame = new QGroupBox(QStringLiteral("REPORT SHOWS"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    option1_ = new QRadioButton(QStringLiteral("All Differences"), frame);
    option1_->setObjectName(QStringLiteral("Option1"));
    option1_->setChecked(true);
    auto* option2 = new QRadioButton(QStringLiteral("Block Function Type and Input Differences"), frame);
    option2->setObjectName(QStringLiteral("Option2"));
    auto* options = new QVBoxLayout(frame);
    options->addWidget(option1_);
    options->addWidget(option2);
    auto* command1 = new QPushButton(QStringLiteral("OK"), this);
    command1->setObjectName(QStringLiteral("Command1"));
    command1->setDefault(true);
    auto* command2 = new QPushButton(QStringLiteral("Cancel"), this);
    command2->setObjectName(QStringLiteral("Command2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(command1);
    buttons->addWidget(command2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    connect(command1, &QPushButton::clicked, this, [this] {
        code_ = option1_->isChecked() ? 'L' : 'S';
        accept();
    });
    connect(command2, &QPushButton::clicked, this, [this] {
        code_ = 'C';
        reject();
    });
}

void vCompareDatabase(QWidget* parent, const QString& filename, char reportCode, const QString& globalFile)
{
    if (!acceptCompareTexts(parent, filename, reportCode, globalFile))
        return;
    const JuxtaRun run = runJuxta(parent, filename, reportCode, globalFile);
    if (run.outcome == JuxtaRun::Outcome::NotInstalled)
        return;
    if (run.outcome == JuxtaRun::Outcome::Failed) {
        reportFailedCompare(parent, filename, globalFile, run.detail);
        return;
    }
    // A compare that could not go everywhere says in its log what it left out.
    const QString log = compareLogPath();
    if (!QFileInfo::exists(log))
        return;
    orvane::tools::showCompareLog(parent, log);
}

void mnuFileCompare_Click(QWidget* parent, EditorSession& session)
{
    if (!session.FileOpened)
        return;
    const QString filename = askConfiguration(parent, session);
    if (filename.isEmpty())
        return;
    frmReportType form(parent);
    form.exec();
    if (form.reportCode() != 'C')
        vCompareDatabase(parent, filename, form.reportCode(), session.GlobalFile);
}

bool mnuFileImport_Click(QWidget* parent, EditorSession& session)
{
    if (!session.FileOpened)
        return false;
    if (session.FileReadOnly) {
        showMessage(parent, session.GlobalFile + QStringLiteral(" Is Read-Only\rNo Comments Can Be Imported Into It"));
        return false;
    }
    const QString source = askConfiguration(parent, session);
    return !source.isEmpty() && ImportComments(parent, session, source);
}

} // namespace brevant
