#include "linkwin/monitor/PollingWindow.h"

#include "linkwin/comm/TheLink.h"
#include "orvane/monitor/ControllerLine.h"
#include "orvane/transfer/Texts.h"
#include "ui/MessageSeam.h"
#include "ui/Placement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>

namespace brevant::linkwin {

PollingWindow::PollingWindow(QWidget* mainWindow, const QString& objectName, const QString& caption, Caption shown)
    : QMainWindow(mainWindow, Qt::Window), mainWindow_(mainWindow), session_(theLink(), [this] { runPass(); }),
      caption_(shown)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    QAction* doneItem = menuBar()->addAction(QStringLiteral("&Done"));
    doneItem->setObjectName(QStringLiteral("mnuDone"));
    connect(doneItem, &QAction::triggered, this, [this] { done(); });
    connect(&session_, &orvane::monitor::PollSession::finished, this, &PollingWindow::onPollingFinished);
}

PollingWindow::~PollingWindow()
{
    if (closeRequested_)
        QApplication::restoreOverrideCursor();
}

void PollingWindow::showInstead(std::function<void()> onReturn)
{
    onReturn_ = std::move(onReturn);
    closeRequested_ = false;
    showValuesMissing();   // read in a session that has ended
    if (mainWindow_ && caption_ == Caption::MainWindows)
        setWindowTitle(mainWindow_->windowTitle());
    centreOn(this, mainWindow_);
    show();
    raise();
    activateWindow();
    if (mainWindow_)
        mainWindow_->hide();
}

void PollingWindow::done()
{
    if (!polling()) {
        backToMain();
        return;
    }
    leaveWhenPollingEnds();
    session_.stop();
}

void PollingWindow::leaveWhenPollingEnds()
{
    if (!closeRequested_)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    closeRequested_ = true;
}

bool PollingWindow::startPolling(orvane::monitor::Pacing pacing, int intervalMs)
{
    using Opened = orvane::monitor::PollSession::Opened;
    theLink();   // applies the serial settings as they are now
    const LinkMessagesOver messages(this);
    const Opened opened = session_.start(pacing, intervalMs);
    if (opened == Opened::NoController)
        showMessage(this, QString::fromLatin1(orvane::transfer::texts::kNoConnection));
    if (opened != Opened::Yes && closeRequested_)
        onPollingFinished();   // Done came during the opening poll
    return opened == Opened::Yes;
}

void PollingWindow::runPass()
{
    pass();
    if (line().dead())
        showValuesMissing();
}

void PollingWindow::onPollingFinished()
{
    if (session_.portClosed()) {
        showValuesMissing();
        showMessage(this, QString::fromStdString(orvane::monitor::portClosedMessage(theLink().portLabel())),
                    Buttons::Ok, Icon::Exclamation);
    }
    pollingEnded();
    if (!closeRequested_)
        return;
    closeRequested_ = false;
    QApplication::restoreOverrideCursor();
    backToMain();
}

void PollingWindow::backToMain()
{
    if (isHidden())
        return;
    hide();
    if (mainWindow_)
        mainWindow_->show();
    if (onReturn_)
        onReturn_();
}

void PollingWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    done();
}

} // namespace brevant::linkwin
