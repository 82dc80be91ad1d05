#include "MainWindow.h"

#include "CompareCommands.h"
#include "Dialogs.h"
#include "FormComment.h"
#include "FlowCommands.h"
#include "HistoryCommands.h"
#include "TextBoxes.h"
#include "TransferHistoryWindow.h"
#include "core/MRUmodule.h"
#include "frmGeneral.h"
#include "frmPrintOptions.h"
#include "linkwin/LinkCommands.h"
#include "ui/MessageSeam.h"

#include <kessig/OrvaneDB.h>

#include <QApplication>
#include <QCloseEvent>
#include <QBoxLayout>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <utility>

namespace brevant {

namespace {
constexpr int kGridRows = 74;   // rows 1..74 of the input and parameter grids
const QString kEmptyCell = QStringLiteral(" ");

// The block map: its size hint shows every block whole, yet the user may make it
// smaller, when it scrolls.
class BlockMapGrid : public QTableWidget {
public:
    using QTableWidget::QTableWidget;
    void setWholeMapSize(QSize size) { whole_ = size; updateGeometry(); }
    QSize sizeHint() const override { return whole_.isValid() ? whole_ : QTableWidget::sizeHint(); }

protected:
    // The highlighted cell is always the current one, the block that Enter or a click
    // acts on: no key or click moves one without the other, or leaves none highlighted.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent*) const override
    {
        return index.isValid() ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate;
    }

private:
    QSize whole_;
};
} // namespace

Form3::Form3(EditorSession& session, QWidget* fileDialogParent)
    : session_(session), fileDialogParent_(fileDialogParent), files_(session, *this, fileDialogParent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Brevant"));
    buildControls();
    buildMenus();
    // An undo or redo shows what it changed; one that failed says why once it has returned.
    connect(&session_.history(), &EditHistory::applied, this, &Form3::showChange);
    connect(&session_.history(), &EditHistory::refused, this,
            [this](const QString& message) { showMessage(activeWindowOrThis(), message, Buttons::Ok, Icon::Critical); },
            Qt::QueuedConnection);
    // Made now, so that its first message takes no room from the block map and the grids.
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    // The first size shows the whole block map and every column whole, as far as the screen allows.
    resize(sizeHint().boundedTo(screen()->availableSize()));
}

Form3::~Form3() = default;

QAction* Form3::action(QMenu* menu, const char* name, const QString& text, bool enabled,
                       QKeySequence::StandardKey key)
{
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    a->setEnabled(enabled);
    if (key != QKeySequence::UnknownKey)
        a->setShortcut(key);
    return a;
}

void Form3::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    connect(action(file, "mnuFileNew", QStringLiteral("&New"), true, QKeySequence::New), &QAction::triggered, this,
            [this] { guarded([this] { files_.fileNew(); }); });
    connect(action(file, "mnuFileOpen", QStringLiteral("&Open"), true, QKeySequence::Open), &QAction::triggered, this,
            [this] { guarded([this] { files_.fileOpen(); }); });
    mnuFileSave_ = action(file, "mnuFileSave", QStringLiteral("&Save"), true, QKeySequence::Save);
    connect(mnuFileSave_, &QAction::triggered, this, [this] { guarded([this] { files_.fileSave(); }); });
    connect(action(file, "mnuFileSaveAs", QStringLiteral("Sav&e As"), true, QKeySequence::SaveAs), &QAction::triggered,
            this, [this] { guarded([this] { files_.fileSaveAs(); }); });
    connect(action(file, "mnuFileRestore", QStringLiteral("&Restore")), &QAction::triggered, this, [this] { guarded([this] { files_.fileRestore(); }); });
    file->addSeparator();
    mnuFileUpload_ = action(file, "mnuFileUpload", QStringLiteral("&Upload From Orvane"), linkwin::uploadAvailable());
    connect(mnuFileUpload_, &QAction::triggered, this, [this] {
        if (!session_.FileOpened || transferRunning_)
            return;
        bool uploaded = false;
        const uint64_t writes = session_.db().WriteCount();
        runTransfer([&] { uploaded = linkwin::upload(this, session_.db(), session_.GlobalFile, session_.BlockFunctions); });
        // What the controller wrote over is no step of the history, nor can the steps
        // before it be undone over it.
        if (uploaded || session_.db().WriteCount() != writes)
            session_.history().clear();
        if (uploaded)
            guarded([this] {
                session_.model().reloadBlockFunctions();
                skipCommentEditorOnce_ = true;
                FillBlockMap();
                files_.fileSave();
                statusBar()->showMessage(QStringLiteral("Upload complete"));
            });
    });
    QAction* download = action(file, "mnuFileDownload", QStringLiteral("&Download To Orvane"), linkwin::downloadAvailable());
    connect(download, &QAction::triggered, command1_, &QPushButton::click);
    QAction* verify = action(file, "mnuFileVerify", QStringLiteral("&Verify Against Orvane"), linkwin::downloadAvailable());
    connect(verify, &QAction::triggered, this, [this] {
        if (session_.FileOpened && !transferRunning_)
            runTransfer([this] { linkwin::verify(this, session_.db(), session_.GlobalFile); });
    });
    connect(action(file, "mnuFileHistory", QStringLiteral("&History")), &QAction::triggered, this,
            &Form3::mnuFileHistory_Click);
    connect(action(file, "mnuFileImport", QStringLiteral("&Import Comments")), &QAction::triggered, this, [this] {
        guarded([this] {
            if (mnuFileImport_Click(this, session_))
                Grid1_Click();
        });
    });
    connect(action(file, "mnuFileCompare", QStringLiteral("&Compare Database Files")), &QAction::triggered, this,
            [this] { guarded([this] { mnuFileCompare_Click(this, session_); }); });
    connect(action(file, "munFilePrint", QStringLiteral("&Print"), true, QKeySequence::Print), &QAction::triggered, this,
            &Form3::munFilePrint_Click);
    recent_[0] = file->addSeparator();
    recent_[0]->setObjectName(QStringLiteral("mnuRecentFile0"));
    recent_[0]->setVisible(false);
    for (int i = 1; i <= MRUmodule::kSize; ++i) {
        recent_[i] = file->addAction(QStringLiteral("RecentFile%1").arg(i));
        recent_[i]->setObjectName(QStringLiteral("mnuRecentFile%1").arg(i));
        recent_[i]->setVisible(false);
        connect(recent_[i], &QAction::triggered, this, [this, i] { guarded([this, i] { files_.mnuRecentFile_Click(i); }); });
    }
    file->addSeparator();
    connect(action(file, "mnuFormExit", QStringLiteral("E&xit"), true, QKeySequence::Quit), &QAction::triggered, this,
            [this] { guarded([this] { files_.fileExit(); }); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    history_ = new HistoryCommands(session_.history(), edit);
    connect(action(edit, "mnuEditHistory", QStringLiteral("&History")), &QAction::triggered, this,
            &Form3::mnuEditHistory_Click);
    edit->addSeparator();
    mnuEditCfg_ = action(edit, "mnuEditCfg", QStringLiteral("&Function Type"));
    connect(mnuEditCfg_, &QAction::triggered, this, &Form3::FunctionTypeMode);
    connect(action(edit, "mnuEditBlk", QStringLiteral("&Block Data")), &QAction::triggered, this, &Form3::BlockDataMode);
    connect(action(edit, "mnuEditComments", QStringLiteral("&Name, Comments, Quick Menu")), &QAction::triggered, this,
            &Form3::mnuEditComments_Click);
    connect(action(edit, "mnuEditComPort", QStringLiteral("&Com Port Setup"), linkwin::commSettingsAvailable()),
            &QAction::triggered, this, [this] { linkwin::showCommSettings(this); });
    edit->addSeparator();

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("mnuView"));
    // The live windows stand in for this one until Done; back here, the block map is redrawn.
    const auto backHere = [this] {
        if (session_.FileOpened)
            FillBlockMap();
    };
    connect(action(view, "mnuViewAll", QStringLiteral("&All Blocks")), &QAction::triggered, this, [this, backHere] {
        guarded([&] {
            if (session_.FileOpened)
                linkwin::showAllBlocks(this, session_.db(), session_.BlockFunctions, backHere);
        });
    });
    connect(action(view, "mnuViewSel", QStringLiteral("&Selected Blocks")), &QAction::triggered, this, [this, backHere] {
        guarded([&] {
            if (session_.FileOpened)
                linkwin::showSelectedBlocks(this, session_.db(), session_.GlobalFile, session_.BlockFunctions, backHere);
        });
    });
    connect(action(view, "mnuVersion", QStringLiteral("&Version ID"), linkwin::commSettingsAvailable()),
            &QAction::triggered, this, [this] { linkwin::showVersionId(this); });
    connect(action(view, "mnuViewDCX7", QStringLiteral("&DCX-7")), &QAction::triggered, this,
            [this, backHere] { linkwin::showFrontPanel(this, backHere); });
    view->addSeparator();
    flow_->addActions(edit, view);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    connect(action(help, "mnuAbout", QStringLiteral("&About")), &QAction::triggered, this, [this] {
        FrmAbout about(this);
        about.exec();
    });
}

void Form3::buildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);

    auto makeGrid = [&](const char* name, int rows, const QStringList& titles) {
        QTableWidget* g = QLatin1String(name) == QLatin1String("Grid1")
                              ? new BlockMapGrid(rows, static_cast<int>(titles.size()), central)
                              : new QTableWidget(rows, static_cast<int>(titles.size()), central);
        g->setObjectName(QString::fromLatin1(name));
        g->setHorizontalHeaderLabels(titles);
        g->setEditTriggers(QAbstractItemView::NoEditTriggers);
        g->setSelectionMode(QAbstractItemView::SingleSelection);
        g->setTabKeyNavigation(false);   // Tab goes on to the next control; the arrows move inside
        g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        g->installEventFilter(this);
        return g;
    };

    QStringList columns, rows;
    for (int c = 0; c < 10; ++c)
        columns << QString::number(c);
    for (int r = 0; r < 16; ++r)
        rows << QString::number(r);
    grid1_ = makeGrid("Grid1", 16, columns);
    grid1_->setVerticalHeaderLabels(rows);
    grid1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (int b = 0; b < kBlockCount; ++b)
        grid1_->setItem(b / 10, b % 10, new QTableWidgetItem(kEmptyCell));
    grid1_->setCurrentCell(0, 0);   // a command always has a block shown as current

    grid2_ = makeGrid("Grid2", kGridRows, {QStringLiteral("Blk"), QStringLiteral("Description"),
                                           QStringLiteral("Function"), QStringLiteral("A/D")});
    grid3_ = makeGrid("Grid3", kGridRows, {QStringLiteral("Value"), QStringLiteral("Description")});
    for (QTableWidget* g : {grid2_, grid3_}) {
        connect(g, &QTableWidget::cellDoubleClicked, this, [this, g](int row, int column) {
            if (column != 0 || session_.FileReadOnly || !session_.FileOpened || !editableRow(g, row))
                return;
            if (g == grid3_ && shown_.auxOutput)
                ProcessAuxOutputs();
            else
                FlexGridEdit(g, g == grid2_ ? txtEdit_ : txtEdit1_, Qt::Key_Space);
        });
    }

    list1_ = new QListWidget(central);
    list1_->setObjectName(QStringLiteral("List1"));
    // The current item, however the user reached it (click, arrow keys, typing), is the choice.
    connect(list1_, &QListWidget::currentTextChanged, this, [this](const QString& name) {
        if (!name.isEmpty())
            selectedFunction_ = name;
    });
    kessig::OrvaneDB& db = session_.db();
    for (db.FuncMoveFirst(); !db.FuncEOF(); db.FuncMoveNext())
        list1_->addItem(QString::fromStdString(db.FuncName()));
    list1_->hide();

    auto makeBox = [&](const char* name, QTableWidget* grid) {
        auto* box = new QLineEdit(grid->viewport());
        box->setObjectName(QString::fromLatin1(name));
        box->hide();
        box->installEventFilter(this);
        return box;
    };
    txtEdit_ = makeBox("txtEdit", grid2_);
    txtEdit1_ = makeBox("txtEdit1", grid3_);

    auto* comment = new PreviewBox(central);   // a click or a key opens the block comment window
    comment->setObjectName(QStringLiteral("txtCmt"));
    // The window opens once the event that asked for it is through.
    connect(comment, &PreviewBox::opened, this, &Form3::txtCmt_Click, Qt::QueuedConnection);
    txtCmt_ = comment;
    txtCmt_->hide();

    auto makeLabel = [&](const char* name, const QString& text) {
        auto* l = new QLabel(text, central);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    label1_ = makeLabel("Label1", QStringLiteral("INPUTS"));
    label2_ = makeLabel("Label2", QStringLiteral("PARAMETERS"));
    auto* label3 = makeLabel("Label3", QStringLiteral("BLOCK MAP"));
    label4_ = makeLabel("Label4", QString());
    label5_ = makeLabel("Label5", QString());
    QFont bold = label5_->font();
    bold.setBold(true);
    for (QLabel* l : {label1_, label2_, label3, label4_, label5_}) {
        l->setFont(bold);
        l->setMinimumHeight(l->fontMetrics().height());   // an emptied title keeps its line
    }

    flow_ = new FlowCommands(*this);

    command1_ = new QPushButton(QStringLiteral("DOWNLOAD"), central);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setEnabled(linkwin::downloadAvailable());
    connect(command1_, &QPushButton::clicked, this, [this] {
        if (!session_.FileOpened || transferRunning_)
            return;
        activationHandled_ = true;
        bool checked = false;
        guarded([&] { checked = flow_->downloadMayGoOn(); });
        if (!checked)
            return;
        runTransfer([this] {
            if (linkwin::download(this, session_.db(), session_.GlobalFile))
                statusBar()->showMessage(QStringLiteral("Download complete"));
        });
        Grid1_Click();
    });

    connect(grid1_, &QTableWidget::cellClicked, this, &Form3::blockMapChosen);
    connect(grid1_, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (row >= 0 && column >= 0 && !grid2_->isHidden())
            label5_->setText(QStringLiteral("BLOCK %1 - ").arg(row * 10 + column)
                             + grid1_->item(row, column)->text().trimmed());
    });

    sizeGrids();

    // Left: the block map over the comment; right: inputs over parameters, or the
    // function list. The comment keeps its place while hidden, so the map never moves.
    auto* left = new QVBoxLayout;
    left->addWidget(label3);
    left->addWidget(grid1_, 1);
    left->addWidget(label4_);
    left->addWidget(txtCmt_);
    left->addWidget(flow_->usedByLabel());
    txtCmt_->setFixedHeight(txtCmt_->fontMetrics().lineSpacing() * 4 + 2 * txtCmt_->frameWidth()
                            + 2 * static_cast<int>(txtCmt_->document()->documentMargin()));
    QSizePolicy keepPlace = txtCmt_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    txtCmt_->setSizePolicy(keepPlace);

    auto* right = new QVBoxLayout;
    right->addWidget(label5_);
    right->addWidget(label1_);
    right->addWidget(grid2_, 2);
    right->addWidget(list1_, 5);
    right->addWidget(label2_);
    right->addWidget(grid3_, 3);
    right->addWidget(command1_, 0, Qt::AlignRight);

    auto* layout = new QHBoxLayout(central);
    layout->addLayout(left);
    layout->addLayout(right);

    // Tab: the block map, the function list or the grids, the comment, DOWNLOAD; the
    // controls of the other mode are hidden and skipped.
    setTabOrder(grid1_, list1_);
    setTabOrder(list1_, grid2_);
    setTabOrder(grid2_, grid3_);
    setTabOrder(grid3_, txtCmt_);
    setTabOrder(txtCmt_, command1_);
}

namespace {
// The width of a cell that shows text whole: the text, the margins the item view draws
// it within, and a little air.
int cellWidth(const QWidget* w, const QString& text)
{
    const int margin = w->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, w) + 1;
    return w->fontMetrics().horizontalAdvance(text) + 2 * margin + 2;
}

// The width of an edit box laid over a cell that holds text inside its frame and margins.
int editBoxWidth(const QLineEdit* box, const QString& text)
{
    return box->fontMetrics().horizontalAdvance(text)
           + 2 * box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box) + 8;
}

int widest(const QWidget* w, const QStringList& texts, int least)
{
    for (const QString& t : texts)
        least = std::max(least, cellWidth(w, t));
    return least;
}
} // namespace

void Form3::sizeGrids()
{
    // Every name, block number, text parameter and description of the catalogue shows
    // whole; a description longer than 28 characters takes two lines.
    const CatalogueTexts texts = session_.model().catalogueTexts();
    QStringList shortDescriptions;
    for (const QString& d : texts.paramDescriptions)
        if (d.size() <= 28)
            shortDescriptions << d;
    const QString sixteen(16, QLatin1Char('W'));   // the widest text a parameter holds

    for (QTableWidget* g : {grid1_, grid2_, grid3_}) {
        QHeaderView* rowTitles = g->verticalHeader();
        rowTitles->setSectionResizeMode(QHeaderView::Fixed);
        rowTitles->setFixedWidth(std::max(twips(g, 300), cellWidth(rowTitles, QStringLiteral("00"))));
    }
    rowHeight_ = std::max(twips(grid2_, 220) + 4, grid2_->fontMetrics().height() + 4);
    for (QTableWidget* g : {grid2_, grid3_})
        g->verticalHeader()->setDefaultSectionSize(rowHeight_);

    // The block map stretches with the window, never below names and rows that fit.
    const int nameWidth = widest(grid1_, texts.names, twips(grid1_, 875));
    QHeaderView* columns = grid1_->horizontalHeader();
    columns->setMinimumSectionSize(nameWidth);
    columns->setSectionResizeMode(QHeaderView::Stretch);
    QHeaderView* rows = grid1_->verticalHeader();
    rows->setMinimumSectionSize(std::max(twips(grid1_, 200) + 4, grid1_->fontMetrics().height() + 4));
    rows->setSectionResizeMode(QHeaderView::Stretch);
    const int frame = 2 * grid1_->frameWidth();
    static_cast<BlockMapGrid*>(grid1_)->setWholeMapSize(
        QSize(rows->width() + 10 * nameWidth + frame, columns->sizeHint().height() + 16 * rows->minimumSectionSize() + frame));

    auto fixColumn = [](QTableWidget* g, int column, int width) {
        g->horizontalHeader()->setSectionResizeMode(column, QHeaderView::Fixed);
        g->setColumnWidth(column, width);
    };
    QHeaderView* titles2 = grid2_->horizontalHeader();
    const QString blockNumber = QStringLiteral("000");
    fixColumn(grid2_, 0, std::max({cellWidth(grid2_, blockNumber), cellWidth(titles2, QStringLiteral("Blk")),
                                   editBoxWidth(txtEdit_, blockNumber)}));
    fixColumn(grid2_, 2, std::max(widest(grid2_, texts.names, 0), cellWidth(titles2, QStringLiteral("Function"))));
    fixColumn(grid2_, 3, cellWidth(titles2, QStringLiteral("A/D")));
    titles2->setSectionResizeMode(1, QHeaderView::Stretch);
    titles2->setMinimumSectionSize(0);
    const int description2 = widest(grid2_, texts.inputDescriptions, twips(grid2_, 1600));
    const int inputsWidth = grid2_->verticalHeader()->width() + grid2_->columnWidth(0) + description2
                            + grid2_->columnWidth(2) + grid2_->columnWidth(3);

    QHeaderView* titles3 = grid3_->horizontalHeader();
    fixColumn(grid3_, 0, std::max({cellWidth(grid3_, sixteen), cellWidth(titles3, QStringLiteral("Value")),
                                   editBoxWidth(txtEdit1_, sixteen)}));
    titles3->setSectionResizeMode(1, QHeaderView::Stretch);
    const int description3 = widest(grid3_, shortDescriptions, twips(grid3_, 1600));
    const int parametersWidth = grid3_->verticalHeader()->width() + grid3_->columnWidth(0) + description3;

    // The grids and the function list that replaces them share one width, so that
    // switching modes moves nothing.
    const int width = std::max(inputsWidth, parametersWidth) + 2 * grid2_->frameWidth()
                      + grid2_->verticalScrollBar()->sizeHint().width();
    for (QWidget* w : {static_cast<QWidget*>(grid2_), static_cast<QWidget*>(grid3_), static_cast<QWidget*>(list1_)})
        w->setMinimumWidth(width);
}

// ---- Block map and grids -------------------------------------------------

int Form3::currentBlock() const
{
    const int row = std::max(grid1_->currentRow(), 0), column = std::max(grid1_->currentColumn(), 0);
    return row * 10 + column;
}

void Form3::selectBlock(int block)
{
    grid1_->setCurrentCell(block / 10, block % 10);
}

void Form3::FillBlockMap()
{
    const auto texts = session_.model().blockMapTexts();
    for (int b = 0; b < kBlockCount; ++b)
        grid1_->item(b / 10, b % 10)->setText(texts[b]);
}

void Form3::SetupBlockGrids()
{
    grid2_->setHorizontalHeaderLabels({QStringLiteral("Blk"), QStringLiteral("Description"),
                                       QStringLiteral("Function"), QStringLiteral("A/D")});
    grid3_->setHorizontalHeaderLabels({QStringLiteral("Value"), QStringLiteral("Description")});
}

void Form3::SetReadOnly()
{
    const bool ro = session_.FileReadOnly;
    mnuFileUpload_->setEnabled(!ro && linkwin::uploadAvailable());
    mnuEditCfg_->setEnabled(!ro);
    mnuFileSave_->setEnabled(!ro);
    // Function Type mode would assign functions into a file that may not change.
    if (ro && grid2_->isHidden())
        BlockDataMode();
}

void Form3::Grid1_Click()
{
    guarded([this] {
        if (session_.FileOpened && !grid2_->isHidden()) {
            showBlock(currentBlock());
            flow_->blockShown(currentBlock());
        }
    });
}

void Form3::blockMapChosen()
{
    if (!grid2_->isHidden()) {
        Grid1_Click();
        return;
    }
    guarded([this] {
        if (session_.FileOpened && !grid1_->isHidden() && !session_.FileReadOnly && !transferRunning_)
            assignFunction(currentBlock());
    });
}

void Form3::showBlock(int block)
{
    const QString cell = grid1_->item(block / 10, block % 10)->text();
    // Nothing of the block shown before stays editable, even when this read fails.
    txtEdit_->hide();
    txtEdit1_->hide();
    shown_ = BlockView{};
    editedBlock_ = -1;
    txtCmt_->clear();
    txtCmt_->hide();
    label4_->clear();
    for (QTableWidget* g : {grid2_, grid3_}) {
        g->clearContents();
        g->verticalHeader()->setDefaultSectionSize(rowHeight_);
        g->scrollToTop();
    }
    SetupBlockGrids();
    BlockView v = session_.model().readBlock(block, cell);
    txtCmt_->setPlainText(v.comment);
    txtCmt_->setVisible(!v.empty);
    label4_->setText(v.empty ? QString() : QStringLiteral("COMMENTS:"));
    if (v.empty)
        return;
    if (!v.found) {
        showMessage(this, QStringLiteral("Database Error, Record Not Found"));
        return;
    }
    if (!v.missingConstants.empty()) {
        showMessage(this, missingConstantsMessage(block, v.name, v.missingConstants), Buttons::Ok, Icon::Exclamation);
        return;
    }
    editedBlock_ = block;
    label5_->setText(QStringLiteral("BLOCK %1 - ").arg(block) + cell.trimmed());
    grid2_->setFocusPolicy(v.inputs.empty() ? Qt::ClickFocus : Qt::StrongFocus);
    for (int n = 0; n < static_cast<int>(v.inputs.size()); ++n)
        showInputRow(n, v.inputs[n]);
    grid3_->setFocusPolicy(v.params.empty() && !v.auxOutput ? Qt::ClickFocus : Qt::StrongFocus);
    if (v.auxOutput)
        showAuxOutput(block, v.name);
    for (int n = 0; n < static_cast<int>(v.params.size()); ++n) {
        const ParamRow& p = v.params[n];
        grid3_->setItem(n, 0, new QTableWidgetItem(p.value));
        grid3_->setItem(n, 1, new QTableWidgetItem(p.description));
        grid3_->setRowHeight(n, p.tall ? 2 * rowHeight_ : rowHeight_);
    }
    shown_ = std::move(v);
}

void Form3::showInputRow(int row, const InputRow& in)
{
    grid2_->setItem(row, 0, new QTableWidgetItem(QString::number(in.source)));
    grid2_->setItem(row, 1, new QTableWidgetItem(in.description));
    grid2_->setItem(row, 2, new QTableWidgetItem(in.function));
    grid2_->setItem(row, 3, new QTableWidgetItem(in.ad));
}

void Form3::showAuxOutput(int block, const QString& functionName)
{
    const AuxChoice a = session_.model().auxOutput(block, functionName);
    grid3_->setItem(0, 0, new QTableWidgetItem(QString::number(a.value)));
    grid3_->setItem(0, 1, new QTableWidgetItem(a.name));
}

void Form3::assignFunction(int block)
{
    kessig::OrvaneDB& db = session_.db();
    db.FuncSetIndex("Fname");
    db.FuncSeekS(selectedFunction_.trimmed().toStdString());
    if (db.FuncNoMatch()) {
        showMessage(this, QStringLiteral("ERROR RECORD NOT FOUND"));
        return;
    }
    QTableWidgetItem* cell = grid1_->item(block / 10, block % 10);
    if (cell->text() != kEmptyCell) {
        const QString question = QStringLiteral("Replace ") + cell->text().trimmed() + QStringLiteral(" With ")
                                 + selectedFunction_.trimmed();
        if (showMessage(this, question, Buttons::YesNo) != Answer::Yes)
            return;
    }
    QString newCell;
    if (session_.model().assignFunction(block, selectedFunction_, newCell))
        cell->setText(newCell);
}

void Form3::chooseFunction(const QString& name)
{
    QListWidgetItem* listed = nullptr;
    for (int i = 0; i < list1_->count() && !listed; ++i)
        if (list1_->item(i)->text().trimmed() == name.trimmed())
            listed = list1_->item(i);
    list1_->setCurrentItem(listed);
    if (listed)
        list1_->scrollToItem(listed);
    selectedFunction_ = name;
}

void Form3::FunctionTypeMode()
{
    chooseFunction(selectedFunction_);   // the pending choice, highlighted
    txtEdit_->hide();
    txtEdit1_->hide();
    txtCmt_->hide();
    label4_->clear();
    list1_->show();
    grid2_->hide();
    grid3_->hide();
    label2_->clear();
    label5_->hide();
    label1_->setText(QStringLiteral("FUNCTIONS"));
}

void Form3::BlockDataMode()
{
    list1_->hide();
    label1_->setText(QStringLiteral("INPUTS"));
    label2_->setText(QStringLiteral("PARAMETERS"));
    label5_->show();
    for (QTableWidget* g : {grid2_, grid3_}) {
        g->clearContents();
        g->scrollToTop();
    }
    SetupBlockGrids();
    grid2_->show();
    grid3_->show();
    Grid1_Click();
}

void Form3::searchBlock(bool forward)
{
    const int start = currentBlock();
    for (int step = 1; step <= kBlockCount; ++step) {
        const int b = (start + (forward ? step : kBlockCount - step)) % kBlockCount;
        if (grid1_->item(b / 10, b % 10)->text() > QStringLiteral("        ")) {
            selectBlock(b);
            Grid1_Click();
            return;
        }
    }
}

// ---- Cell editing ----------------------------------------------------------

void Form3::FlexGridEdit(QTableWidget* grid, QLineEdit* box, int key)
{
    const int row = std::max(grid->currentRow(), 0);
    grid->setCurrentCell(row, 0);
    if (!grid->item(row, 0))
        grid->setItem(row, 0, new QTableWidgetItem);
    QTableWidgetItem* item = grid->item(row, 0);
    const bool printable = key > 32 && key < 0x10000 && QChar(static_cast<char16_t>(key)).isPrint();
    box->setText(printable ? QString(QChar(static_cast<char16_t>(key))) : item->text());
    box->setCursorPosition(static_cast<int>(box->text().size()));
    box->setGeometry(grid->visualItemRect(item));
    box->show();
    box->setFocus();
}

void Form3::EditKeyCode(QTableWidget* grid, QLineEdit* box, int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        CommitCellEdit(grid, box);
        break;
    case Qt::Key_Escape:
        closeEditBox(grid, box);
        break;
    case Qt::Key_Up:
        CommitCellEdit(grid, box);
        if (grid->currentRow() > 0)
            grid->setCurrentCell(grid->currentRow() - 1, 0);
        break;
    case Qt::Key_Down:
        CommitCellEdit(grid, box);
        if (grid->currentRow() < grid->rowCount() - 1)
            grid->setCurrentCell(grid->currentRow() + 1, 0);
        break;
    default:
        break;
    }
}

void Form3::closeEditBox(QTableWidget* grid, QLineEdit* box)
{
    // The grid takes the focus first: a focused box that hides passes the focus on as Tab
    // does, which moves the grid's cursor out of the Value column.
    grid->setFocus();
    box->hide();
}

void Form3::CommitCellEdit(QTableWidget* grid, QLineEdit* box)
{
    const int row = grid->currentRow() + 1;
    const QString text = box->text();
    closeEditBox(grid, box);
    guarded([&] {
        if (!shown_.found || session_.FileReadOnly)
            return;
        const bool input = grid->objectName() == QLatin1String("Grid2");
        if (input && row > static_cast<int>(shown_.inputs.size()))
            return;
        if (!input && row > static_cast<int>(shown_.params.size()))
            return;
        CommitResult r = input ? session_.model().commitInput(editedBlock_, row, text)
                               : session_.model().commitParameter(editedBlock_, shown_.function,
                                                                  shown_.inputCount, row, text);
        if (!r.message.isEmpty())
            showMessage(this, r.message);
        if (input && r.store) {
            // The row names its new source's function; an aux output follows input 1.
            InputRow& in = shown_.inputs[size_t(row - 1)];
            in = session_.model().inputRow(shown_.function, row, r.stored);
            showInputRow(row - 1, in);
            if (shown_.auxOutput && row == 1)
                showAuxOutput(editedBlock_, shown_.name);
        } else if (!r.shown.isEmpty()) {
            grid->item(row - 1, 0)->setText(r.shown);
        }
    });
    grid->setFocus();
}

void Form3::ProcessAuxOutputs()
{
    guarded([this] {
        AuxChoice a = session_.model().auxOutput(editedBlock_, shown_.name);
        if (a.count > 0) {
            FrmAuxOutput choice(this, a);
            choice.exec();
        } else {
            a.value = 0;   // nothing to choose from: no output
            a.name = QStringLiteral("NO AUX OUTPUT");
            const bool discrete = a.kind == QLatin1String("D");
            showMessage(this, a.sourceName + (discrete ? QStringLiteral(" has no auxiliary discrete outputs")
                                                       : QStringLiteral(" has no auxiliary analog outputs")),
                        Buttons::Ok, Icon::Exclamation, QStringLiteral("Output Not Found"));
        }
        grid3_->setItem(0, 0, new QTableWidgetItem(QString::number(a.value)));
        grid3_->setItem(0, 1, new QTableWidgetItem(a.name));
        session_.model().storeAuxValue(editedBlock_, a.value);
    });
}

bool Form3::editableRow(const QTableWidget* grid, int row) const
{
    // Rows below the block's inputs or parameters hold nothing a typed value could go to.
    if (grid == grid3_ && shown_.auxOutput)
        return true;
    const size_t rows = grid == grid2_ ? shown_.inputs.size() : shown_.params.size();
    return row >= 0 && static_cast<size_t>(row) < rows;
}

void Form3::setFocusMarks(QTableWidget* grid, bool focused)
{
    grid->horizontalHeader()->setStyleSheet(
        focused ? QStringLiteral("QHeaderView::section { background-color: #808080; }") : QString());
    grid->verticalHeader()->setStyleSheet(grid->horizontalHeader()->styleSheet());
}

bool Form3::eventFilter(QObject* watched, QEvent* event)
{
    auto* grid = qobject_cast<QTableWidget*>(watched);
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (event->type() == QEvent::FocusIn && grid) {
        if (grid == grid2_ || grid == grid3_) {
            (grid == grid2_ ? grid3_ : grid2_)->setCurrentCell(0, 0);
            setFocusMarks(grid, true);
        } else {
            grid2_->setCurrentCell(0, grid2_->currentColumn() < 0 ? 0 : grid2_->currentColumn());
            grid3_->setCurrentCell(0, grid3_->currentColumn() < 0 ? 0 : grid3_->currentColumn());
        }
    } else if (event->type() == QEvent::FocusOut && grid) {
        setFocusMarks(grid, false);
    } else if (event->type() == QEvent::FocusOut && box) {
        box->hide();
    } else if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (box) {
            QTableWidget* owner = box == txtEdit_ ? grid2_ : grid3_;
            switch (key->key()) {
            case Qt::Key_Return: case Qt::Key_Enter: case Qt::Key_Escape: case Qt::Key_Up: case Qt::Key_Down:
                EditKeyCode(owner, box, key->key());
                return true;
            default:
                return false;
            }
        }
        if (!grid)
            return false;
        if (key->key() == Qt::Key_F6 || key->key() == Qt::Key_F5) {
            searchBlock(key->key() == Qt::Key_F6);
            return true;
        }
        if (grid == grid1_ && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            blockMapChosen();
            return true;
        }
        // Enter and Backspace open the box on the cell's own text, like a space.
        const bool startsEdit = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter
                                || key->key() == Qt::Key_Backspace
                                || (!key->text().isEmpty() && key->text()[0].isPrint());
        if ((grid == grid2_ || grid == grid3_) && startsEdit) {
            if (session_.FileReadOnly || !session_.FileOpened || grid->currentColumn() > 0
                || !editableRow(grid, grid->currentRow()))
                return true;
            if (grid == grid3_ && shown_.auxOutput)
                ProcessAuxOutputs();
            else
                FlexGridEdit(grid, grid == grid2_ ? txtEdit_ : txtEdit1_,
                             key->text().isEmpty() || !key->text()[0].isPrint() ? int{Qt::Key_Space}
                                                                                 : key->text()[0].unicode());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Errors ------------------------------------------------------------------

template <class F> void Form3::guarded(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        reportError(this, e);
        // A command stopped half way may have closed the working copy: keep it usable.
        try {
            session_.reopenWorkFile();
        } catch (const std::exception& again) {
            reportError(this, again);
        }
    }
}

// ---- Transfers -----------------------------------------------------------------

void Form3::setTransferRunning(bool running)
{
    // The commands that open, close, change or save the configuration a transfer works
    // on; the window itself keeps repainting, and the block map can still be browsed.
    static const char* const kHeldOff[] = {
        "mnuFileNew", "mnuFileOpen", "mnuFileSave", "mnuFileSaveAs", "mnuFileRestore", "mnuFileUpload",
        "mnuFileDownload", "mnuFileVerify", "mnuRecentFile1", "mnuRecentFile2", "mnuRecentFile3",
        "mnuRecentFile4", "mnuFormExit", "mnuEditCfg", "mnuFileImport", "mnuEditComments", "mnuEditComPort",
        "mnuViewAll", "mnuViewSel", "mnuViewDCX7", "mnuVersion"};
    transferRunning_ = running;
    session_.history().setHeld(running);
    for (const char* name : kHeldOff)
        if (QAction* a = findChild<QAction*>(QLatin1String(name)))
            a->setEnabled(!running);
    for (QWidget* w : {static_cast<QWidget*>(grid2_), static_cast<QWidget*>(grid3_), static_cast<QWidget*>(list1_)})
        w->setEnabled(!running);
    command1_->setEnabled(!running && linkwin::downloadAvailable());
    if (!running)
        SetReadOnly();   // puts back what a read-only file keeps disabled
}

template <class F> void Form3::runTransfer(F&& transfer)
{
    statusBar()->clearMessage();
    setTransferRunning(true);
    guarded(std::forward<F>(transfer));
    setTransferRunning(false);
}

// ---- What the file commands need ----------------------------------------------

void Form3::hideStartUpWindow()
{
    if (fileDialogParent_)
        fileDialogParent_->hide();
}

void Form3::endProgram()
{
    finished_ = true;
    close();
    QApplication::quit();
}

QString Form3::recentCaption(int index)
{
    // The caption without the doubled "&" that keeps it from marking an access key.
    return index >= 1 && index <= MRUmodule::kSize ? recent_[index]->data().toString() : QString();
}

void Form3::showRecentSeparator()
{
    recent_[0]->setVisible(true);
}

void Form3::showRecentEntry(int index, const QString& fileName)
{
    if (index < 1 || index > MRUmodule::kSize)
        return;
    recent_[index]->setText(QString(fileName).replace(QLatin1Char('&'), QStringLiteral("&&")));
    recent_[index]->setData(fileName);
    recent_[index]->setVisible(true);
}

void Form3::firstActivation()
{
    if (activationHandled_)
        return;
    activationHandled_ = true;
    SetReadOnly();
    txtCmt_->hide();
    label4_->clear();
    list1_->hide();
    label1_->setText(QStringLiteral("INPUTS"));
    label2_->setText(QStringLiteral("PARAMETERS"));
    grid2_->show();
    grid3_->show();
    for (int i = 0; i <= MRUmodule::kSize; ++i) {
        recent_[i]->setVisible(false);
        if (i > 0) {
            recent_[i]->setText(QString());
            recent_[i]->setData(QVariant());
        }
    }
    MRUmodule::ShowRecentFiles(*this);
    if (!startDialogShown_ && !givenFile_.isEmpty() && files_.openGivenFile(std::exchange(givenFile_, QString())))
        startDialogShown_ = true;
    if (!startDialogShown_) {
        startDialogShown_ = true;
        FrmAsk ask(this);
        if (ask.exec() != QDialog::Accepted && !session_.FileOpened) {
            session_.CloseWorkFile();
            finished_ = true;
            QApplication::quit();
            return;
        }
    }
    if (session_.FileOpened) {
        FillBlockMap();
        if (skipCommentEditorOnce_)
            skipCommentEditorOnce_ = false;
        else
            mnuEditComments_Click();
    }
    chooseFunction(QStringLiteral("NOP"));
}

void Form3::mnuEditComments_Click()
{
    if (!session_.FileOpened)
        return;
    if (!frmGeneral_)
        frmGeneral_ = std::make_unique<frmGeneral>(session_, this);
    frmGeneral_->open();
}

void Form3::txtCmt_Click()
{
    if (!session_.FileOpened || txtCmt_->isHidden() || transferRunning_)
        return;
    FormComment comments(session_, this, txtCmt_, currentBlock());
    comments.exec();
}

void Form3::mnuFileHistory_Click()
{
    frmTransferHistory window(this, session_, linkwin::transferPort());
    window.exec();
}

void Form3::mnuEditHistory_Click()
{
    if (!historyWindow_)
        historyWindow_ = new frmHistory(session_.history(), *history_, this);
    historyWindow_->show();
    historyWindow_->raise();
    historyWindow_->activateWindow();
}

void Form3::showChange(int block, const QString& done)
{
    FillBlockMap();
    if (block >= 0)
        selectBlock(block);
    Grid1_Click();
    if (frmGeneral_)
        frmGeneral_->showStored();
    statusBar()->showMessage(done);
}

QWidget* Form3::activeWindowOrThis()
{
    QWidget* active = QApplication::activeWindow();
    return active ? active : this;
}

frmPrintOptions* Form3::printOptions() const { return printOptions_; }

void Form3::munFilePrint_Click()
{
    if (!printOptions_)
        printOptions_ = new frmPrintOptions(session_, this);
    printOptions_->show();
    printOptions_->raise();
}

void Form3::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!activationHandled_)
        QTimer::singleShot(0, this, &Form3::firstActivation);
}

void Form3::closeEvent(QCloseEvent* event)
{
    if (transferRunning_) {
        event->ignore();
        statusBar()->showMessage(QStringLiteral("A transfer is running: cancel it in its progress window first."));
        return;
    }
    if (finished_) {
        event->accept();
        return;
    }
    event->ignore();
    files_.fileExit();
}

} // namespace brevant
