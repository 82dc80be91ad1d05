#include "frmPrintOptions.h"

#include "TextBoxes.h"
#include "core/Filedialogs.h"
#include "core/EditorSession.h"
#include "frmGeneral.h"
#include "orvane/flow/Diagram.h"
#include "orvane/report/Render.h"
#include "ui/MessageSeam.h"
#include "ui/PrintSeam.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace brevant {

namespace {

const QString kErrorTitle = QStringLiteral("Orvane EDIT: Error");

template <class W>
W* named(W* w, const char* name, const QString& tip = {})
{
    w->setObjectName(QString::fromLatin1(name));
    if (!tip.isEmpty())
        w->setToolTip(tip);
    return w;
}

} // namespace

frmPrintOptions::frmPrintOptions(EditorSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session)
{
    setObjectName(QStringLiteral("frmPrintOptions"));
    setWindowTitle(QStringLiteral("Orvane Edit Print Options"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* heading = named(new QLabel(QStringLiteral("Print Options"), this), "lblPrintOptions");
    QFont big = heading->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    heading->setFont(big);
    layout->addWidget(heading, 0, Qt::AlignHCenter);

    auto* frame1 = named(new QGroupBox(QStringLiteral("Which Section(s)?"), this), "Frame1");
    auto* sections = new QVBoxLayout(frame1);
    cbTesseraGrd_ = named(new QCheckBox(QStringLiteral("Print Tessera Grid and Sequence of Operation"), frame1),
                          "cbTesseraGrd", QStringLiteral("Select to print these options"));
    cbTesseraDB_ = named(new QCheckBox(QStringLiteral("Tessera Database"), frame1), "cbTesseraDB",
                         QStringLiteral("Select to print all or a range of blocks"));
    cbDiagram_ = named(new QCheckBox(QStringLiteral("Signal Flow Diagram"), frame1), "cbDiagram",
                       QStringLiteral("Select to add the pages of the signal flow diagram"));
    sections->addWidget(cbTesseraGrd_);
    sections->addWidget(cbTesseraDB_);
    sections->addWidget(cbDiagram_);
    layout->addWidget(frame1);

    frmWhichBlocks_ = named(new QGroupBox(QStringLiteral("Which Block(s)?"), this), "frmWhichBlocks");
    auto* blocks = new QHBoxLayout(frmWhichBlocks_);
    optAll_ = named(new QRadioButton(QStringLiteral("All"), frmWhichBlocks_), "optAll",
                    QStringLiteral("Print all printable blocks"));
    optRange_ = named(new QRadioButton(QStringLiteral("Range"), frmWhichBlocks_), "optRange",
                      QStringLiteral("Click this to print from Start block to End block"));
    const auto rangeBox = [&](const char* frameName, const QString& caption, const char* boxName, const QString& tip,
                              QLineEdit*& box) {
        auto* frame = named(new QGroupBox(caption, frmWhichBlocks_), frameName);
        auto* inner = new QVBoxLayout(frame);
        box = named(new QLineEdit(frame), boxName, tip);
        box->setMaximumWidth(60);
        box->installEventFilter(this);
        inner->addWidget(box);
        return frame;
    };
    fraFrom_ = rangeBox("fraFrom", QStringLiteral("Start"), "tbFrom", QStringLiteral("Minimum value is 4"), tbFrom_);
    fraTo_ = rangeBox("fraTo", QStringLiteral("End"), "tbTo", QStringLiteral("Maximum Value is 160"), tbTo_);
    auto* options = new QVBoxLayout;
    options->addWidget(optAll_);
    options->addWidget(optRange_);
    blocks->addLayout(options);
    blocks->addWidget(fraFrom_);
    blocks->addWidget(fraTo_);
    layout->addWidget(frmWhichBlocks_);

    auto* buttons = new QHBoxLayout;
    auto* cmdPrint = named(new QPushButton(QStringLiteral("Print"), this), "cmdPrint");
    auto* cmdPreview = named(new QPushButton(QStringLiteral("Preview"), this), "cmdPreview",
                             QStringLiteral("Show the pages as they will print"));
    auto* cmdPdf = named(new QPushButton(QStringLiteral("PDF File"), this), "cmdPdf",
                         QStringLiteral("Write the report into a PDF file"));
    for (QPushButton* b : {cmdPrint, cmdPreview, cmdPdf})
        buttons->addWidget(b);
    layout->addLayout(buttons);

    connect(optAll_, &QRadioButton::clicked, this, &frmPrintOptions::optAll_Click);
    connect(optRange_, &QRadioButton::clicked, this, &frmPrintOptions::optRange_Click);
    connect(cbTesseraDB_, &QCheckBox::clicked, this, &frmPrintOptions::cbTesseraDB_Click);
    connect(cbTesseraGrd_, &QCheckBox::toggled, this, [this](bool on) { options_.PrintGridOption = on; });
    connect(cmdPrint, &QPushButton::clicked, this, &frmPrintOptions::cmdPrint_Click);
    connect(cmdPreview, &QPushButton::clicked, this, &frmPrintOptions::cmdPreview_Click);
    connect(cmdPdf, &QPushButton::clicked, this, &frmPrintOptions::cmdPdf_Click);

    // The defaults.
    cbTesseraGrd_->setChecked(true);
    cbTesseraDB_->setChecked(true);
    optAll_->setChecked(true);
    optAll_Click();
}

void frmPrintOptions::optAll_Click()
{
    optAll_->setChecked(true);
    for (QWidget* w : {static_cast<QWidget*>(tbFrom_), static_cast<QWidget*>(tbTo_), static_cast<QWidget*>(fraFrom_),
                       static_cast<QWidget*>(fraTo_)})
        w->setEnabled(false);
    options_.PrintStart = orvane::report::kDefaultPrintStart;
    options_.PrintEnd = orvane::report::kDefaultPrintEnd;
    // The boxes show the range that applies, so choosing Range again starts from it.
    tbFrom_->setText(QString::number(options_.PrintStart));
    tbTo_->setText(QString::number(options_.PrintEnd));
}

void frmPrintOptions::optRange_Click()
{
    optRange_->setChecked(true);
    for (QWidget* w : {static_cast<QWidget*>(tbFrom_), static_cast<QWidget*>(tbTo_), static_cast<QWidget*>(fraFrom_),
                       static_cast<QWidget*>(fraTo_)})
        w->setEnabled(true);
}

bool frmPrintOptions::tbFrom_Validate() { return validateRangeBox(tbFrom_); }
bool frmPrintOptions::tbTo_Validate() { return validateRangeBox(tbTo_); }

bool frmPrintOptions::validateRangeBox(QLineEdit* box)
{
    const bool start = box == tbFrom_;
    const auto value = start ? orvane::report::validPrintStart(box->text(), options_.PrintEnd)
                             : orvane::report::validPrintEnd(box->text(), options_.PrintStart);
    if (value) {
        (start ? options_.PrintStart : options_.PrintEnd) = *value;
        return true;
    }
    showMessage(this, start ? QStringLiteral("Invalid Start") : QStringLiteral("Invalid End"), Buttons::Ok, Icon::None,
                kErrorTitle);
    QTimer::singleShot(0, box, qOverload<>(&QWidget::setFocus));
    return false;
}

void frmPrintOptions::cbTesseraDB_Click()
{
    const bool on = cbTesseraDB_->isChecked();
    frmWhichBlocks_->setEnabled(on);
    optAll_->setEnabled(on);
    optRange_->setEnabled(on);
    if (on) {
        tbFrom_->setEnabled(true);
        tbTo_->setEnabled(true);
    }
    optAll_Click();
    options_.PrintDatabaseOption = on;
}

bool frmPrintOptions::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tbFrom_ && leavesBox(event))
        tbFrom_Validate();
    else if (watched == tbTo_ && leavesBox(event))
        tbTo_Validate();
    return QWidget::eventFilter(watched, event);
}

bool frmPrintOptions::readyToPrint()
{
    // A range box left invalid has said so already and holds the focus.
    if (optRange_->isChecked()
        && (!orvane::report::validPrintStart(tbFrom_->text(), options_.PrintEnd)
            || !orvane::report::validPrintEnd(tbTo_->text(), options_.PrintStart)))
        return false;
    if (session_.GlobalFile.isEmpty()) {
        showMessage(this, QStringLiteral("You Must Select An Existing Or New Configuration"));
        return false;
    }
    if (!options_.PrintGridOption && !options_.PrintDatabaseOption && !cbDiagram_->isChecked()) {
        showMessage(this, QStringLiteral("Nothing To Print: Select A Section."));
        return false;
    }
    return true;
}

std::optional<std::vector<orvane::report::Page>> frmPrintOptions::layOut()
{
    try {
        orvane::report::Report report(session_.db(), options_,
                                      {session_.GlobalFile, QFileInfo(session_.GlobalFile).lastModified()});
        if (cbDiagram_->isChecked())
            report.setDrawingPages(orvane::flow::diagramPages(
                std::make_shared<const orvane::flow::Diagram>(orvane::flow::ConfigurationSnapshot::read(session_.db()))));
        return report.PrintReport();
    } catch (const std::exception& e) {
        reportError(this, e);
        return std::nullopt;
    }
}

void frmPrintOptions::printOn(QPrinter& printer)
{
    if (const auto pages = layOut())
        printPages(*pages, printer);
}

void frmPrintOptions::printPages(const std::vector<orvane::report::Page>& pages, QPrinter& printer)
{
    orvane::report::PrintJob job;
    if (printer.printRange() == QPrinter::PageRange)
        job.pages = printer.pageRanges();
    // A printer that makes its own copies gets the report once.
    if (!printer.supportsMultipleCopies()) {
        job.copies = printer.copyCount();
        job.collate = printer.collateCopies();
    }
    // A PDF file gets its pages in the order asked; a printer's spooler orders them itself.
    job.lastPageFirst = printer.outputFormat() == QPrinter::PdfFormat && printer.pageOrder() == QPrinter::LastPageFirst;
    if (orvane::report::jobSequence(static_cast<int>(pages.size()), job).empty()) {
        showMessage(this, QStringLiteral("Nothing To Print: The Report Has %1 Page(s).").arg(pages.size()));
        return;
    }
    if (!orvane::report::renderPages(pages, printer, job))
        showMessage(this, QStringLiteral("The report could not be printed."), Buttons::Ok, Icon::Critical);
}

void frmPrintOptions::cmdPrint_Click()
{
    if (!readyToPrint())
        return;
    const auto pages = layOut();
    if (!pages)
        return;
    QPrinter printer(QPrinter::HighResolution);
    orvane::report::setReportPageLayout(printer);
    if (!askPrinter(this, printer, static_cast<int>(pages->size())))
        return;
    printPages(*pages, printer);
    close();
}

void frmPrintOptions::cmdPreview_Click()
{
    if (!readyToPrint())
        return;
    auto* preview = new QPrintPreviewDialog(this);
    preview->setObjectName(QStringLiteral("PrintPreview"));
    preview->setAttribute(Qt::WA_DeleteOnClose);
    orvane::report::setReportPageLayout(*preview->printer());
    connect(preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) { printOn(*printer); });
    preview->open();
}

void frmPrintOptions::cmdPdf_Click()
{
    if (!readyToPrint())
        return;
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.filter = QStringLiteral("PDF File (*.pdf)");
    const QFileInfo configuration(session_.GlobalFile);
    request.fileName = configuration.absolutePath() + QLatin1Char('/') + configuration.completeBaseName()
                       + QStringLiteral(".pdf");
    QString name = askFileName(this, request);
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".pdf");
    if (!replaceAllowed(this, name))
        return;
    const auto pages = layOut();
    if (!pages)
        return;
    if (const auto error = orvane::report::writePdf(*pages, name)) {
        showMessage(this, name + QStringLiteral(" could not be written:\r") + *error, Buttons::Ok, Icon::Critical);
        return;
    }
    close();
}

} // namespace brevant
