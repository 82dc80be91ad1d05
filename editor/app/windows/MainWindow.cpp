#include "MainWindow.h"

#include "Dialogs.h"
#include "core/RecentList.h"
#include "linkwin/LinkCommands.h"
#include "ui/MessageSeam.h"

#include <kessig/OrvaneDB.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
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

namespace brevant {

namespace {
constexpr int kGridRows = 74;   // rows 1..74 of the input and parameter grids
const QString kEmptyCell = QStringLiteral(" ");

QString sampleFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/samples");
}
} // namespace

Form3::Form3(EditorSession& session, QWidget* fileDialogParent)
    : session_(session), fileDialogParent_(fileDialogParent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Brevant"));
    buildControls();
    buildMenus();
}

QAction* Form3::action(QMenu* menu, const char* name, const QString& text, bool enabled)
{
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    a->setEnabled(enabled);
    return a;
}

void Form3::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    connect(action(file, "mnuFileNew", QStringLiteral("&New")), &QAction::triggered, this, [this] { guarded([this] { fileNew(); }); });
    connect(action(file, "mnuFileOpen", QStringLiteral("&Open")), &QAction::triggered, this, [this] { guarded([this] { fileOpen(); }); });
    mnuFileSave_ = action(file, "mnuFileSave", QStringLiteral("&Save"));
    connect(mnuFileSave_, &QAction::triggered, this, [this] { guarded([this] { fileSave(); }); });
    connect(action(file, "mnuFileSaveAs", QStringLiteral("Sav&e As")), &QAction::triggered, this, [this] { guarded([this] { fileSaveAs(); }); });
    connect(action(file, "mnuFileRestore", QStringLiteral("&Restore")), &QAction::triggered, this, [this] { guarded([this] { fileRestore(); }); });
    file->addSeparator();
    mnuFileUpload_ = action(file, "mnuFileUpload", QStringLiteral("&Upload From Orvane"), linkwin::uploadAvailable());
    connect(mnuFileUpload_, &QAction::triggered, this, [this] {
        if (!session_.FileOpened || transferRunning_)
            return;
        bool uploaded = false;
        runTransfer([&] { uploaded = linkwin::upload(this, session_.db(), session_.BlockFunctions); });
        if (uploaded)
            guarded([this] {
                session_.model().reloadBlockFunctions();
                skipCommentEditorOnce_ = true;
                FillBlockMap();
                fileSave();
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
    action(file, "mnuFileImport", QStringLiteral("&Import Comments"), false);
    action(file, "mnuFileCompare", QStringLiteral("&Compare Database Files"), false);
    action(file, "munFilePrint", QStringLiteral("&Print"), false);
    recent_[0] = file->addSeparator();
    recent_[0]->setObjectName(QStringLiteral("mnuRecentFile0"));
    recent_[0]->setVisible(false);
    for (int i = 1; i <= RecentList::kSize; ++i) {
        recent_[i] = file->addAction(QStringLiteral("RecentFile%1").arg(i));
        recent_[i]->setObjectName(QStringLiteral("mnuRecentFile%1").arg(i));
        recent_[i]->setVisible(false);
        connect(recent_[i], &QAction::triggered, this, [this, i] { guarded([this, i] { mnuRecentFile_Click(i); }); });
    }
    file->addSeparator();
    connect(action(file, "mnuFormExit", QStringLiteral("E&xit")), &QAction::triggered, this, [this] { guarded([this] { fileExit(); }); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEditCfg_ = action(edit, "mnuEditCfg", QStringLiteral("&Function Type"));
    connect(mnuEditCfg_, &QAction::triggered, this, &Form3::FunctionTypeMode);
    connect(action(edit, "mnuEditBlk", QStringLiteral("&Block Data")), &QAction::triggered, this, &Form3::BlockDataMode);
    action(edit, "mnuEditComments", QStringLiteral("&Name, Comments, Quick Menu"), false);
    connect(action(edit, "mnuEditComPort", QStringLiteral("&Com Port Setup"), linkwin::commSettingsAvailable()),
            &QAction::triggered, this, [this] { linkwin::showCommSettings(this); });

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("mnuView"));
    action(view, "mnuViewAll", QStringLiteral("&All Blocks"), false);
    action(view, "mnuViewSel", QStringLiteral("&Selected Blocks"), false);
    connect(action(view, "mnuVersion", QStringLiteral("&Version ID"), linkwin::commSettingsAvailable()),
            &QAction::triggered, this, [this] { linkwin::showVersionId(this); });
    action(view, "mnuViewDCX7", QStringLiteral("&DCX-7"), false);

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
    auto* layout = new QGridLayout(central);

    auto makeGrid = [&](const char* name, int rows, const QStringList& titles) {
        auto* g = new QTableWidget(rows, static_cast<int>(titles.size()), central);
        g->setObjectName(QString::fromLatin1(name));
        g->setHorizontalHeaderLabels(titles);
        g->setEditTriggers(QAbstractItemView::NoEditTriggers);
        g->setSelectionMode(QAbstractItemView::SingleSelection);
        g->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        g->verticalHeader()->setFixedWidth(twips(g, 300));
        g->installEventFilter(this);
        return g;
    };

    grid1_ = makeGrid("Grid1", 16, {});
    QStringList columns, rows;
    for (int c = 0; c < 10; ++c)
        columns << QString::number(c);
    for (int r = 0; r < 16; ++r)
        rows << QString::number(r);
    grid1_->setHorizontalHeaderLabels(columns);
    grid1_->setColumnCount(10);
    grid1_->setHorizontalHeaderLabels(columns);
    grid1_->setVerticalHeaderLabels(rows);
    for (int c = 0; c < 10; ++c)
        grid1_->setColumnWidth(c, twips(grid1_, 875));
    grid1_->verticalHeader()->setDefaultSectionSize(twips(grid1_, 200) + 4);
    for (int b = 0; b < kBlockCount; ++b)
        grid1_->setItem(b / 10, b % 10, new QTableWidgetItem(kEmptyCell));

    grid2_ = makeGrid("Grid2", kGridRows, {QStringLiteral("Blk"), QStringLiteral("Description"),
                                           QStringLiteral("Function"), QStringLiteral("A/D")});
    const int widths2[] = {350, 2600, 875, 400};
    for (int c = 0; c < 4; ++c)
        grid2_->setColumnWidth(c, twips(grid2_, widths2[c]));
    grid3_ = makeGrid("Grid3", kGridRows, {QStringLiteral("Value"), QStringLiteral("Description")});
    grid3_->setColumnWidth(0, twips(grid3_, 800));
    grid3_->setColumnWidth(1, twips(grid3_, 2800));
    for (QTableWidget* g : {grid2_, grid3_}) {
        g->verticalHeader()->setDefaultSectionSize(twips(g, 220) + 4);
        g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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
    connect(list1_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { selectedFunction_ = item->text(); });
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

    txtCmt_ = new QPlainTextEdit(central);
    txtCmt_->setObjectName(QStringLiteral("txtCmt"));
    txtCmt_->setReadOnly(true);   // its editor window is not part of this build
    txtCmt_->setMaximumHeight(twips(txtCmt_, 1200));
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
    for (QLabel* l : {label1_, label2_, label3, label4_, label5_})
        l->setFont(bold);

    command1_ = new QPushButton(QStringLiteral("DOWNLOAD"), central);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setEnabled(linkwin::downloadAvailable());
    connect(command1_, &QPushButton::clicked, this, [this] {
        if (!session_.FileOpened || transferRunning_)
            return;
        activationHandled_ = true;
        runTransfer([this] {
            if (linkwin::download(this, session_.db(), session_.GlobalFile))
                statusBar()->showMessage(QStringLiteral("Download complete"));
        });
        Grid1_Click();
    });

    connect(grid1_, &QTableWidget::cellClicked, this, [this] { Grid1_Click(); });
    connect(grid1_, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (row >= 0 && column >= 0 && !grid2_->isHidden())
            label5_->setText(QStringLiteral("BLOCK %1 - ").arg(row * 10 + column)
                             + grid1_->item(row, column)->text().trimmed());
    });

    // Left: the block map; right: inputs over parameters; comment below.
    layout->addWidget(label3, 0, 0);
    layout->addWidget(label5_, 0, 1, 1, 2);
    const int mapWidth = twips(grid1_, 300 + 10 * 875) + 24;
    const int mapHeight = 17 * (twips(grid1_, 200) + 4) + 12;
    grid1_->setMinimumSize(mapWidth, mapHeight);
    grid1_->setMaximumHeight(mapHeight);
    layout->addWidget(grid1_, 1, 0, 5, 1);
    layout->addWidget(label1_, 1, 1);
    layout->addWidget(grid2_, 2, 1);
    layout->addWidget(list1_, 2, 1, 3, 1);
    layout->addWidget(label2_, 3, 1);
    layout->addWidget(grid3_, 4, 1);
    grid2_->setMinimumWidth(twips(grid2_, 300 + 350 + 2600 + 875 + 400) + 24);
    layout->addWidget(label4_, 6, 0);
    layout->addWidget(txtCmt_, 7, 0);
    layout->addWidget(command1_, 7, 1, Qt::AlignRight | Qt::AlignBottom);
    layout->setRowStretch(2, 1);
    layout->setRowStretch(4, 1);
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
        if (!session_.FileOpened)
            return;
        if (grid2_->isHidden()) {
            if (!grid1_->isHidden() && !session_.FileReadOnly && !transferRunning_)
                assignFunction(currentBlock());
        } else {
            showBlock(currentBlock());
        }
    });
}

void Form3::showBlock(int block)
{
    const QString cell = grid1_->item(block / 10, block % 10)->text();
    txtEdit_->hide();
    txtEdit1_->hide();
    BlockView v = session_.model().readBlock(block, cell);
    txtCmt_->setPlainText(v.comment);
    txtCmt_->setVisible(!v.empty);
    label4_->setText(v.empty ? QString() : QStringLiteral("COMMENTS:"));
    for (QTableWidget* g : {grid2_, grid3_}) {
        g->clearContents();
        g->verticalHeader()->setDefaultSectionSize(twips(g, 220) + 4);
        g->scrollToTop();
    }
    SetupBlockGrids();
    shown_ = BlockView{};
    if (v.empty)
        return;
    if (!v.found) {
        showMessage(this, QStringLiteral("Database Error, Record Not Found"));
        return;
    }
    editedBlock_ = block;
    label5_->setText(QStringLiteral("BLOCK %1 - ").arg(block) + cell.trimmed());
    grid2_->setFocusPolicy(v.inputs.empty() ? Qt::ClickFocus : Qt::StrongFocus);
    for (int n = 0; n < static_cast<int>(v.inputs.size()); ++n) {
        const InputRow& in = v.inputs[n];
        grid2_->setItem(n, 0, new QTableWidgetItem(QString::number(in.source)));
        grid2_->setItem(n, 1, new QTableWidgetItem(in.description));
        grid2_->setItem(n, 2, new QTableWidgetItem(in.function));
        grid2_->setItem(n, 3, new QTableWidgetItem(in.ad));
    }
    grid3_->setFocusPolicy(v.params.empty() && !v.auxOutput ? Qt::ClickFocus : Qt::StrongFocus);
    if (v.auxOutput) {
        const AuxChoice a = session_.model().auxOutput(block, v.name);
        grid3_->setItem(0, 0, new QTableWidgetItem(QString::number(a.value)));
        grid3_->setItem(0, 1, new QTableWidgetItem(a.name));
    }
    for (int n = 0; n < static_cast<int>(v.params.size()); ++n) {
        const ParamRow& p = v.params[n];
        grid3_->setItem(n, 0, new QTableWidgetItem(p.value));
        grid3_->setItem(n, 1, new QTableWidgetItem(p.description));
        grid3_->setRowHeight(n, twips(grid3_, p.tall ? 440 : 220) + 4);
    }
    shown_ = std::move(v);
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

void Form3::FunctionTypeMode()
{
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
        box->hide();
        grid->setFocus();
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

void Form3::CommitCellEdit(QTableWidget* grid, QLineEdit* box)
{
    const int row = grid->currentRow() + 1;
    const QString text = box->text();
    box->hide();
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
        if (!r.shown.isEmpty())
            grid->item(row - 1, 0)->setText(r.shown);
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
            Grid1_Click();
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

void Form3::reportDbError(const std::exception& e)
{
    QString text;
    if (const auto* db = dynamic_cast<const kessig::DbError*>(&e))
        text = QStringLiteral("Database error %1:\r").arg(db->number()) + QString::fromStdString(db->text());
    else
        text = QString::fromStdString(e.what());
    showMessage(this, text, Buttons::Ok, Icon::Critical);
}

template <class F> void Form3::guarded(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        reportDbError(e);
        // A command stopped half way may have closed the working copy: keep it usable.
        try {
            session_.reopenWorkFile();
        } catch (const std::exception& again) {
            reportDbError(again);
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
        "mnuRecentFile4", "mnuFormExit", "mnuEditCfg"};
    transferRunning_ = running;
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

// ---- Files -------------------------------------------------------------------

bool Form3::LoadGlobalFile(const QString& fileName)
{
    try {
        session_.LoadGlobalFile(fileName);
    } catch (const std::exception& e) {
        reportDbError(e);
        return false;
    }
    RecentList::AddRecentFile(fileName);
    ShowRecentFiles();
    setWindowTitle(session_.MainCaption());
    SetReadOnly();
    if (fileDialogParent_)
        fileDialogParent_->hide();
    return true;
}

void Form3::afterFileChange()
{
    FillBlockMap();
    Grid1_Click();
    SetReadOnly();
}

void Form3::ReloadGlobalFile()
{
    if (session_.GlobalFile.isEmpty())
        return;
    if (LoadGlobalFile(session_.GlobalFile))
        afterFileChange();
}

bool Form3::saveBack(const QString& target)
{
    if (auto error = session_.copyBack(target)) {
        showMessage(this, QStringLiteral("The configuration could not be saved:\r") + *error
                              + QStringLiteral("\rYour changes are kept; save again or use Save As."),
                    Buttons::Ok, Icon::Critical);
        session_.reopenWorkFile();
        return false;
    }
    return true;
}

bool Form3::askBeforeLeaving()
{
    if (!session_.WorkFileChanged())
        return true;
    const Answer a = showMessage(this, QStringLiteral("Save changes to ") + session_.GlobalFile + QStringLiteral("?"),
                                 Buttons::YesNoCancel, Icon::Exclamation, QStringLiteral("Brevant"));
    if (a == Answer::Cancel) {
        session_.reopenWorkFile();
        return false;
    }
    return a != Answer::Yes || saveBack();
}

static FileDialogRequest configurationDialog(FileDialogKind kind, const QString& name)
{
    FileDialogRequest r;
    r.kind = kind;
    r.filter = kConfigurationFilter;
    r.fileName = name;
    return r;
}

bool Form3::CreateNewFile()
{
    const QString start = session_.GlobalFile.isEmpty() ? sampleFolder() : QFileInfo(session_.GlobalFile).absolutePath();
    const QString name = askFileName(fileDialogParent_, configurationDialog(FileDialogKind::Save, start));
    if (name.isEmpty())
        return false;
    if (QFileInfo::exists(name)) {
        if (showMessage(fileDialogParent_, name + QStringLiteral(" Already Exists") + QLatin1Char('\r')
                                               + QStringLiteral("Replace ") + name, Buttons::YesNo) != Answer::Yes)
            return false;
    }
    try {
        if (QFileInfo::exists(name) && !QFile::remove(name))
            throw std::runtime_error((name + QStringLiteral(" cannot be replaced")).toStdString());
        session_.BlockFunctions = defaultBlockFunctions();
        session_.db().create_new_database(name.toStdString());
    } catch (const std::exception& e) {
        reportDbError(e);
        return false;
    }
    return LoadGlobalFile(name);
}

bool Form3::OpenExistingFile()
{
    const QString start = session_.GlobalFile.isEmpty() ? sampleFolder() : QFileInfo(session_.GlobalFile).absolutePath();
    const QString name = askFileName(fileDialogParent_, configurationDialog(FileDialogKind::Open, start));
    if (name.isEmpty())
        return false;
    if (!QFileInfo::exists(name)) {
        showMessage(fileDialogParent_, name + QStringLiteral(" Does Not Exist"));
        return false;
    }
    return LoadGlobalFile(name);
}

void Form3::fileNew()
{
    session_.CloseWorkFile();
    if (!askBeforeLeaving())
        return;
    session_.deleteWorkFile();
    if (CreateNewFile())
        afterFileChange();
    else
        ReloadGlobalFile();
}

void Form3::fileOpen()
{
    session_.CloseWorkFile();
    if (!askBeforeLeaving())
        return;
    session_.deleteWorkFile();
    if (OpenExistingFile())
        afterFileChange();
    else
        ReloadGlobalFile();
}

void Form3::fileSave()
{
    if (!session_.FileOpened)
        return;
    session_.CloseWorkFile();
    // A read-only working copy holds no change, and the user's file may not be replaced.
    if (!session_.FileReadOnly && !saveBack())
        return;
    session_.deleteWorkFile();
    ReloadGlobalFile();
}

void Form3::fileSaveAs()
{
    if (!session_.FileOpened)
        return;
    const QString name = askFileName(this, configurationDialog(FileDialogKind::Save, session_.GlobalFile));
    if (name.isEmpty() || name == session_.GlobalFile) {
        fileSave();
        return;
    }
    if (QFileInfo::exists(name)
        && showMessage(this, name + QStringLiteral(" already exists.") + QLatin1Char('\r')
                                 + QStringLiteral("Do you want to replace it?"),
                       Buttons::YesNo, Icon::Exclamation, QStringLiteral("Save AS")) != Answer::Yes)
        return;
    session_.CloseWorkFile();
    // The old file is replaced in one step, so a failed copy leaves it whole.
    if (!saveBack(name))
        return;
    // A copy saved under a new name is the user's own to edit, even from a read-only file.
    if (session_.FileReadOnly)
        QFile::setPermissions(name, QFile::permissions(name) | QFileDevice::WriteOwner);
    session_.deleteWorkFile();
    if (LoadGlobalFile(name))
        afterFileChange();
    else
        ReloadGlobalFile();
}

void Form3::fileRestore()
{
    if (!session_.FileOpened)
        return;
    session_.deleteWorkFile();
    ReloadGlobalFile();
}

bool Form3::fileExit()
{
    if (!askBeforeLeaving())
        return false;
    session_.CloseWorkFile();
    session_.deleteWorkFile();
    try {
        session_.db().close_database();
    } catch (const std::exception& e) {
        reportDbError(e);
    }
    finished_ = true;
    close();
    QApplication::quit();
    return true;
}

void Form3::OpenRecentEntry(const QString& fileName, int index)
{
    try {
        session_.LoadGlobalFile(fileName);
    } catch (const std::exception& e) {
        reportDbError(e);
        return;
    }
    setWindowTitle(session_.MainCaption());
    SetReadOnly();
    RecentList::MoveRecentToTop(static_cast<int16_t>(index));
    ShowRecentFiles();
}

void Form3::mnuRecentFile_Click(int index)
{
    session_.CloseWorkFile();
    if (!askBeforeLeaving())
        return;
    session_.deleteWorkFile();
    const QString name = RecentList::entry(index);
    if (!QFileInfo::exists(name)) {
        showMessage(this, name + QStringLiteral(" No Longer Exists"));
        ReloadGlobalFile();
    } else if (name != session_.GlobalFile) {
        OpenRecentEntry(name, index);
        if (session_.FileOpened && session_.WorkFile.isEmpty())
            ReloadGlobalFile();   // the entry could not be opened: back to the old file
        else
            afterFileChange();
    } else {
        ReloadGlobalFile();
    }
}

void Form3::GetRecentFile(int index)
{
    const QString name = RecentList::entry(index);
    if (!QFileInfo::exists(name)) {
        showMessage(this, name + QStringLiteral(" No Longer Exists"));
        return;
    }
    if (name != session_.GlobalFile) {
        OpenRecentEntry(name, index);
        FillBlockMap();
    }
}

void Form3::ShowRecentFiles()
{
    const QStringList entries = RecentList::entries();
    if (entries.isEmpty())
        return;
    recent_[0]->setVisible(true);
    for (int k = 0; k < entries.size() && k < RecentList::kSize; ++k) {
        recent_[k + 1]->setText(QString(entries[k]).replace(QLatin1Char('&'), QStringLiteral("&&")));
        recent_[k + 1]->setData(entries[k]);
        recent_[k + 1]->setVisible(true);
    }
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
    for (int i = 0; i <= RecentList::kSize; ++i) {
        recent_[i]->setVisible(false);
        if (i > 0)
            recent_[i]->setText(QString());
    }
    ShowRecentFiles();
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
        skipCommentEditorOnce_ = false;   // the configuration comment editor is not part of this build
    }
    selectedFunction_ = QStringLiteral("NOP");
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
    fileExit();
}

} // namespace brevant
