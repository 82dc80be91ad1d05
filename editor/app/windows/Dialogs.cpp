#include "Dialogs.h"

#include "MainWindow.h"
#include "core/MRUmodule.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace brevant {

int twips(const QWidget* w, int value)
{
    return value * w->logicalDpiX() / 1440;
}

QPixmap loadLogo()
{
    QPixmap logo(QCoreApplication::applicationDirPath() + QStringLiteral("/kv-logosm.jpg"));
    if (logo.isNull()) {
        logo = QPixmap(96, 96);
        logo.fill(Qt::white);
    }
    return logo;
}

namespace {
QPushButton* button(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}
QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

// The picture, title, version and maker lines shared by the start-up and About windows.
void addIdentity(QWidget* w, QVBoxLayout* layout, const QList<const char*>& makerLabels)
{
    auto* image = label(w, "Image1", {});
    image->setPixmap(loadLogo());
    auto* title = label(w, "lblTitle", QStringLiteral("BREVANT"));
    QFont big = title->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    title->setFont(big);
    auto* top = new QHBoxLayout;
    top->addWidget(image);
    auto* right = new QVBoxLayout;
    right->addWidget(title);
    right->addWidget(label(w, "lblVersion", kVersionText));
    right->addWidget(label(w, "lblDescription", QStringLiteral("Orvane Configuration Utility")));
    top->addLayout(right);
    layout->addLayout(top);
    auto* line = new QFrame(w);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    layout->addWidget(line);
    const QStringList texts = {QStringLiteral("Configuration editor for the Orvane controller"),
                               QStringLiteral("160 function blocks, offline editing and transfer"),
                               QStringLiteral("Kessig configuration store")};
    for (int i = 0; i < makerLabels.size(); ++i)
        layout->addWidget(label(w, makerLabels[i], texts.value(i)));
}
} // namespace

FrmAsk::FrmAsk(Form3* main) : QDialog(main), main_(main)
{
    setObjectName(QStringLiteral("FrmAsk"));
    setWindowTitle(QStringLiteral("Brevant"));
    auto* layout = new QVBoxLayout(this);
    option1_ = new QRadioButton(QStringLiteral("Create A New Configuration"), this);
    option1_->setObjectName(QStringLiteral("Option1"));
    option2_ = new QRadioButton(QStringLiteral("Open An Existing Configuration"), this);
    option2_->setObjectName(QStringLiteral("Option2"));
    option3_ = new QRadioButton(QStringLiteral("Open A Recent Configuration"), this);
    option3_->setObjectName(QStringLiteral("Option3"));
    option2_->setChecked(true);
    layout->addWidget(option1_);
    layout->addWidget(option2_);
    layout->addWidget(option3_);
    auto* buttons = new QHBoxLayout;
    auto* ok = button(this, "Command1", QStringLiteral("OK"));
    auto* cancel = button(this, "Command2", QStringLiteral("Cancel"));
    ok->setDefault(true);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &FrmAsk::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FrmAsk::onOk()
{
    if (option2_->isChecked())
        main_->files().OpenExistingFile();
    else if (option1_->isChecked())
        main_->files().CreateNewFile();
    else {
        FrmRecent recent(main_);
        recent.exec();
    }
    if (main_->session().FileOpened)
        accept();
}

FrmRecent::FrmRecent(Form3* main) : QDialog(main), main_(main)
{
    setObjectName(QStringLiteral("FrmRecent"));
    setWindowTitle(QStringLiteral("Recent Files"));
    auto* layout = new QVBoxLayout(this);
    grid_ = new QTableWidget(this);
    grid_->setObjectName(QStringLiteral("Grid1"));
    grid_->setColumnCount(2);
    grid_->verticalHeader()->hide();
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    // The titles show even over an empty list.
    grid_->setHorizontalHeaderLabels({QStringLiteral("Filename"), QStringLiteral("Path")});
    grid_->setColumnWidth(0, twips(this, 2900));
    grid_->setColumnWidth(1, twips(this, 4500));
    const QStringList entries = MRUmodule::entries();
    if (!entries.isEmpty()) {
        grid_->setRowCount(static_cast<int>(entries.size()));
        for (int k = 0; k < entries.size(); ++k) {
            const RecentDisplay d = shortenForDisplay(entries[k]);
            auto* name = new QTableWidgetItem(d.name);
            name->setData(Qt::UserRole, entries[k]);   // the full path, as the row was shown
            grid_->setItem(k, 0, name);
            grid_->setItem(k, 1, new QTableWidgetItem(d.path));
        }
        grid_->setCurrentCell(0, 0);
    }
    grid_->setMinimumWidth(twips(this, 2900 + 4500) + 20);
    layout->addWidget(grid_);
    auto* buttons = new QHBoxLayout;
    auto* ok = button(this, "Command1", QStringLiteral("OK"));
    auto* cancel = button(this, "Command2", QStringLiteral("Cancel"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &FrmRecent::choose);
    connect(grid_, &QTableWidget::cellDoubleClicked, this, &FrmRecent::choose);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FrmRecent::choose()
{
    if (grid_->rowCount() > 0 && grid_->currentRow() >= 0)
        main_->files().GetRecentFile(grid_->item(grid_->currentRow(), 0)->data(Qt::UserRole).toString());
    accept();
}

FrmAuxOutput::FrmAuxOutput(QWidget* parent, AuxChoice& choice) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmAuxOutput"));
    setWindowTitle(choice.sourceName
                   + (choice.kind == QLatin1String("D") ? QStringLiteral(" AUX DISCRETE") : QStringLiteral(" AUX ANALOG")));
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    QList<QRadioButton*> options;
    for (int i = 0; i <= choice.count; ++i) {
        auto* ob = new QRadioButton(i == 0 ? QStringLiteral("NO SELECTION") : choice.outputNames.value(i - 1), this);
        ob->setObjectName(QStringLiteral("OB%1").arg(i));
        ob->setMinimumHeight(twips(this, 300));
        layout->addWidget(ob);
        options << ob;
        connect(ob, &QRadioButton::clicked, this, [&choice, ob, i] {
            choice.value = i;
            choice.name = ob->text();
        });
    }
    const int selected = choice.value >= 0 && choice.value <= choice.count ? choice.value : 0;
    options[selected]->setChecked(true);
    choice.value = selected;
    choice.name = options[selected]->text();
    auto* ok = button(this, "Command1", QStringLiteral("OK"));
    layout->addWidget(ok);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

FrmAbout::FrmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Brevant"));
    auto* layout = new QVBoxLayout(this);
    addIdentity(this, layout, {"Label1", "Label2", "Label3"});
    auto* ok = button(this, "cmdOK", QStringLiteral("OK"));
    layout->addWidget(ok, 0, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

FrmStart::FrmStart()
{
    setObjectName(QStringLiteral("frmStart"));
    setWindowTitle(QStringLiteral("   Brevant"));
    auto* layout = new QVBoxLayout(this);
    addIdentity(this, layout, {"Label1", "Label3", "Label4"});
}

} // namespace brevant
