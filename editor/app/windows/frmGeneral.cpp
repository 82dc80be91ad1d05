#include "frmGeneral.h"

#include "Dialogs.h"
#include "HistoryCommands.h"
#include "TextBoxes.h"
#include "core/Filedialogs.h"
#include "core/EditorSession.h"
#include "core/QuickMessages.h"
#include "ui/MessageSeam.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <utility>

namespace brevant {

bool leavesBox(const QEvent* event)
{
    if (event->type() != QEvent::FocusOut)
        return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

DoneWindow::DoneWindow()
{
    connect(addDoneCommand(menuBar()), &QAction::triggered, this, [this] { mnuExit_Click(); });
}

void DoneWindow::closeEvent(QCloseEvent* event)
{
    // Closed from its title bar it does what "&Done" does: the window before it comes back.
    mnuExit_Click();
    event->accept();
}

frmGeneral::frmGeneral(EditorSession& session, QWidget* mainWindow)
    : session_(session), main_(mainWindow), texts_(session)
{
    setObjectName(QStringLiteral("frmGeneral"));
    setWindowTitle(QStringLiteral("Configuration Info"));

    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QGridLayout(central);
    const auto label = [&](const QString& text, int row) {
        auto* l = new QLabel(text, central);
        layout->addWidget(l, row, 0, Qt::AlignTop);
    };
    txtTitle_ = new QLineEdit(central);
    txtTitle_->setObjectName(QStringLiteral("txtTitle"));
    txtCfg_ = new QLineEdit(central);
    txtCfg_->setObjectName(QStringLiteral("txtCfg"));
    auto* preview = new PreviewBox(central);
    shapeCommentBox(preview, "Text1", 8775, 1800);
    connect(preview, &PreviewBox::opened, this, &frmGeneral::Text1_Click);
    text1_ = preview;
    dbGrid1_ = new QTableView(central);
    dbGrid1_->setObjectName(QStringLiteral("DBGrid1"));
    dbGrid1_->setMinimumHeight(twips(dbGrid1_, 2800));
    dbGrid1_->setWordWrap(false);
    dbGrid1_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    data1_ = new QuickMessageData(session, this);
    connect(data1_, &QuickMessageData::notice, this, [this](const QString& text) {
        showMessage(this, text);
        // The box took the focus from the cell's editor, which closes once the notice is
        // answered: the focus goes back to the cell, not to the window's first box.
        QTimer::singleShot(0, dbGrid1_, [this] {
            if (isVisible())
                dbGrid1_->setFocus(Qt::OtherFocusReason);
        });
    });
    connect(data1_, &QuickMessageData::modelChanged, this, &frmGeneral::showGrid);

    label(QStringLiteral("TITLE"), 0);
    layout->addWidget(txtTitle_, 0, 1);
    label(QStringLiteral("CONFIGURATON"), 1);
    layout->addWidget(txtCfg_, 1, 1);
    label(QStringLiteral("COMMENTS"), 2);
    layout->addWidget(text1_, 2, 1);
    label(QStringLiteral("QUICK MESSAGES"), 3);
    layout->addWidget(dbGrid1_, 3, 1);
    for (QWidget* w : {static_cast<QWidget*>(txtTitle_), static_cast<QWidget*>(txtCfg_)})
        w->installEventFilter(this);

    frmvga_ = std::make_unique<frmvga>(session, this);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    new HistoryCommands(session.history(), edit, [this] { storeTyped(); });
}

frmGeneral::~frmGeneral()
{
    // The grid's connection closes before the window's parts go.
    disconnect(data1_, nullptr, this, nullptr);
    data1_->close();
}

void frmGeneral::showGrid()
{
    QuickMessageTable* model = data1_->model();
    dbGrid1_->setModel(model);
    if (!model)
        return;
    // Message, Block and Parameter in columns 0 to 2; the key stays out of sight.
    const QStringList order = {QStringLiteral("Message"), QStringLiteral("Block"), QStringLiteral("Parameter")};
    for (int visual = 0; visual < order.size(); ++visual) {
        const int logical = model->fieldIndex(order[visual]);
        if (logical >= 0)
            dbGrid1_->horizontalHeader()->moveSection(dbGrid1_->horizontalHeader()->visualIndex(logical), visual);
    }
    dbGrid1_->hideColumn(model->fieldIndex(QStringLiteral("Offset")));
    // A message of sixteen of the widest characters shows whole on one line; the numbers
    // take what their titles need and the message the rest.
    QHeaderView* columns = dbGrid1_->horizontalHeader();
    const int margins = 2 * (dbGrid1_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, dbGrid1_) + 1) + 4;
    const int message = dbGrid1_->fontMetrics().horizontalAdvance(QString(kQuickMessageLength, QLatin1Char('W')))
                        + margins;
    for (const QString& number : {QStringLiteral("Block"), QStringLiteral("Parameter")})
        columns->setSectionResizeMode(model->fieldIndex(number), QHeaderView::ResizeToContents);
    columns->setSectionResizeMode(model->fieldIndex(QStringLiteral("Message")), QHeaderView::Stretch);
    columns->setStretchLastSection(false);
    dbGrid1_->setMinimumWidth(dbGrid1_->verticalHeader()->sizeHint().width() + message
                              + columns->sectionSizeHint(model->fieldIndex(QStringLiteral("Block")))
                              + columns->sectionSizeHint(model->fieldIndex(QStringLiteral("Parameter")))
                              + 2 * dbGrid1_->frameWidth() + dbGrid1_->verticalScrollBar()->sizeHint().width());
}

void frmGeneral::open()
{
    setWindowTitle(session_.MainCaption());
    show();
    main_->hide();
    Form_Activate();
}

void frmGeneral::Form_Activate()
{
    txtTitle_->setFocus();
    showStoredValues(false);
    txtTitle_->setReadOnly(session_.FileReadOnly);
    txtCfg_->setReadOnly(session_.FileReadOnly);
}

void frmGeneral::showStoredValues(bool keepTyped)
{
    try {
        if (!session_.FileReadOnly && !data1_->Refresh())
            showMessage(this, QStringLiteral("Database error:\r") + data1_->errorText(), Buttons::Ok, Icon::Critical);
        for (auto [box, stored] : {std::pair{txtTitle_, &ConfigurationTexts::title},
                                   std::pair{txtCfg_, &ConfigurationTexts::configName}})
            if (!keepTyped || !box->isModified())
                box->setText((texts_.*stored)());
        showStoredText(text1_, texts_.description());
    } catch (const std::exception& e) {
        reportError(this, e);
    }
}

void frmGeneral::leaveField(QLineEdit* box, const QString& what)
{
    if (session_.FileReadOnly)
        return;
    // The box shows the text kept before the notice, so a second leave finds nothing to cut.
    const FieldText fitted = fitToField(box->text(), kTitleLength, what);
    box->setText(fitted.text);
    if (!fitted.message.isEmpty())
        showMessage(this, fitted.message);
    try {
        if (box == txtTitle_)
            texts_.setTitle(fitted.text);
        else
            texts_.setConfigName(fitted.text);
    } catch (const std::exception& e) {
        reportError(this, e);
    }
}

void frmGeneral::txtTitle_LostFocus() { leaveField(txtTitle_, QStringLiteral("Title")); }
void frmGeneral::txtCfg_LostFocus() { leaveField(txtCfg_, QStringLiteral("Configuration")); }

void frmGeneral::leaveGrid()
{
    // Moving off the current cell commits an editor open on it, as leaving a box writes the box.
    dbGrid1_->setCurrentIndex(QModelIndex());
}

void frmGeneral::storeTyped()
{
    txtTitle_LostFocus();
    txtCfg_LostFocus();
    leaveGrid();
}

void frmGeneral::showStored()
{
    frmvga_->showStored();
    // Hidden, its next activation reads everything. What the user is typing stays: leaving
    // the box stores it as a change of its own.
    if (isVisible())
        showStoredValues(true);
}

void frmGeneral::Text1_Click()
{
    storeTyped();
    hide();
    frmvga_->open();
}

void frmGeneral::mnuExit_Click()
{
    storeTyped();
    if (!session_.FileReadOnly)
        data1_->close();
    hide();
    main_->show();
}

bool frmGeneral::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtTitle_ && leavesBox(event))
        txtTitle_LostFocus();
    else if (watched == txtCfg_ && leavesBox(event))
        txtCfg_LostFocus();
    return QMainWindow::eventFilter(watched, event);
}

frmvga::frmvga(EditorSession& session, frmGeneral* general)
    : session_(session), general_(general), texts_(session)
{
    setObjectName(QStringLiteral("frmvga"));
    setWindowTitle(QStringLiteral("Configuration Description"));
    txtCmt_ = makeCommentBox(this, "txtCmt", 8775, 5400);
    setCentralWidget(txtCmt_);
    txtCmt_->installEventFilter(this);
}

void frmvga::open()
{
    setWindowTitle(session_.MainCaption());
    show();
    Form_Activate();
}

void frmvga::Form_Activate()
{
    try {
        showStoredText(txtCmt_, texts_.description());
    } catch (const std::exception& e) {
        reportError(this, e);
    }
    txtCmt_->setReadOnly(session_.FileReadOnly);
    txtCmt_->setFocus();
}

void frmvga::showStored()
{
    if (!isVisible() || txtCmt_->document()->isModified())
        return;
    try {
        showStoredText(txtCmt_, texts_.description());
    } catch (const std::exception& e) {
        reportError(this, e);
    }
}

void frmvga::txtCmt_LostFocus()
{
    // An untouched box keeps the stored text as it is, wrapped or not.
    if (session_.FileReadOnly || !txtCmt_->document()->isModified())
        return;
    try {
        texts_.setDescription(HardenLineBreaks(txtCmt_));
        txtCmt_->document()->setModified(false);
    } catch (const std::exception& e) {
        reportError(this, e);
    }
}

void frmvga::mnuExit_Click()
{
    txtCmt_LostFocus();
    hide();
    general_->show();
    general_->Form_Activate();
}

bool frmvga::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtCmt_ && leavesBox(event))
        txtCmt_LostFocus();
    return QMainWindow::eventFilter(watched, event);
}

} // namespace brevant
