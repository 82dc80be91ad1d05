#include "FlowCommands.h"

#include "FlowWindows.h"
#include "MainWindow.h"
#include "ui/MessageSeam.h"

#include "orvane/flow/CheckText.h"
#include "orvane/flow/CrossReference.h"

#include <QLabel>
#include <QMenu>

namespace brevant {

using namespace orvane::flow;

namespace {
constexpr int kErrorsListed = 15;   // before the download's question; the Check window has all
} // namespace

FlowCommands::FlowCommands(Form3& form) : QObject(&form), form_(form), usedBy_(new QLabel)
{
    usedBy_->setObjectName(QStringLiteral("lblUsedBy"));
    usedBy_->setWordWrap(true);
    usedBy_->setTextFormat(Qt::RichText);
    usedBy_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(usedBy_, &QLabel::linkActivated, this, [this](const QString& link) { goTo(link.toInt()); });
}

void FlowCommands::addActions(QMenu* edit, QMenu* view)
{
    QAction* check = edit->addAction(QStringLiteral("Chec&k Configuration"));
    check->setObjectName(QStringLiteral("mnuEditCheck"));
    connect(check, &QAction::triggered, this, &FlowCommands::mnuEditCheck_Click);
    QAction* flow = view->addAction(QStringLiteral("Signal &Flow"));
    flow->setObjectName(QStringLiteral("mnuViewFlow"));
    connect(flow, &QAction::triggered, this, &FlowCommands::mnuViewFlow_Click);
}

frmCheck* FlowCommands::checkWindow() const { return check_; }
frmFlow* FlowCommands::flowWindow() const { return flow_; }

void FlowCommands::goTo(int block)
{
    form_.selectBlock(block);
    form_.Grid1_Click();
    form_.activateWindow();
}

void FlowCommands::blockShown(int block)
{
    EditorSession& session = form_.session();
    if (!session.FileOpened) {
        usedBy_->clear();
        return;
    }
    const ConfigurationSnapshot snapshot = ConfigurationSnapshot::read(session.db());
    const FlowGraph graph(snapshot);
    QStringList links;
    for (const Reference& r : usedBy(graph, block))
        links << QStringLiteral("<a href=\"%1\">%2</a>").arg(r.block).arg(r.text.toHtmlEscaped());
    usedBy_->setText(!graph.node(block) ? QString()
                     : links.isEmpty()  ? QStringLiteral("USED BY: nothing")
                                        : QStringLiteral("USED BY: ") + links.join(QStringLiteral("; ")));
    if (flow_ && flow_->isVisible())
        flow_->showConfiguration(snapshot, block);
}

void FlowCommands::mnuEditCheck_Click()
{
    EditorSession& session = form_.session();
    if (!session.FileOpened)
        return;
    if (!check_) {
        check_ = new frmCheck(&form_);
        check_->setAttribute(Qt::WA_DeleteOnClose);
        connect(check_, &frmCheck::blockChosen, this, &FlowCommands::goTo);
        connect(check_, &frmCheck::checkAgain, this, &FlowCommands::mnuEditCheck_Click);
    }
    check_->showFindings(checkConfiguration(ConfigurationSnapshot::read(session.db())));
    check_->show();
    check_->raise();
}

void FlowCommands::mnuViewFlow_Click()
{
    if (!form_.session().FileOpened)
        return;
    if (!flow_) {
        flow_ = new frmFlow(&form_);
        flow_->setAttribute(Qt::WA_DeleteOnClose);
        connect(flow_, &frmFlow::blockChosen, this, &FlowCommands::goTo);
        connect(flow_, &frmFlow::scopeChanged, this, [this] { blockShown(form_.currentBlock()); });
    }
    flow_->show();
    flow_->raise();
    blockShown(form_.currentBlock());
}

bool FlowCommands::downloadMayGoOn()
{
    const auto errors = errorsBeforeDownload(checkConfiguration(ConfigurationSnapshot::read(form_.session().db())),
                                             kErrorsListed, QStringLiteral("Edit > Check Configuration"));
    return !errors
           || showMessage(&form_, *errors + QStringLiteral("\r\rDownload anyway?"), Buttons::YesNo, Icon::Exclamation)
                  == Answer::Yes;
}

} // namespace brevant
