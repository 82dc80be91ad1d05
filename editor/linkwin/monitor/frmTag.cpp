#include "linkwin/monitor/frmTag.h"

#include "orvane/monitor/LayoutFile.h"
#include "orvane/monitor/Tiles.h"
#include "ui/MessageSeam.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace brevant::linkwin {

using namespace orvane::monitor;

QColor storedColour(uint32_t colour)
{
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

bool looksLight(const QColor& colour)
{
    return 0.299 * colour.redF() + 0.587 * colour.greenF() + 0.114 * colour.blueF() > 0.5;
}

ColourPalette::ColourPalette(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picPalette"));
    setMinimumSize(8 * 24, 24);
    setCursor(Qt::PointingHandCursor);
}

void ColourPalette::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int box = width() / 8;
    for (int i = 0; i < 8; ++i)
        painter.fillRect(i * box, 0, i == 7 ? width() - 7 * box : box, height(), storedColour(kPalette[size_t(i)]));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ColourPalette::mousePressEvent(QMouseEvent* event)
{
    emit chosen(paletteIndexAt(event->position().toPoint().x(), width()));
}

frmTag::frmTag(QWidget* parent)
    : QDialog(parent), txtBlock_(new QLineEdit(QString::number(kDefaultTagBlock), this)),
      txtTag_(new QLineEdit(QString::fromLatin1(kDefaultTag), this)), lblSample_(new QLabel(QStringLiteral("Text"), this)),
      block_(kDefaultTagBlock), tag_(QString::fromLatin1(kDefaultTag)), colour_(kDefaultTagColour)
{
    setObjectName(QStringLiteral("frmTag"));
    setWindowTitle(QStringLiteral("Enter Block Number And Tag"));
    setModal(true);
    txtBlock_->setObjectName(QStringLiteral("txtBlock"));
    txtTag_->setObjectName(QStringLiteral("txtTag"));
    txtTag_->setMaxLength(kTagLength);
    lblSample_->setObjectName(QStringLiteral("lblSample"));
    QFont sampleFont = lblSample_->font();
    sampleFont.setPointSize(sampleFont.pointSize() + 4);
    sampleFont.setBold(true);
    lblSample_->setFont(sampleFont);
    lblSample_->setAlignment(Qt::AlignCenter);
    auto* palette = new ColourPalette(this);
    connect(palette, &ColourPalette::chosen, this, &frmTag::choose);
    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("cmdOK"));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &frmTag::ok);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("BLOCK"), txtBlock_);
    form->addRow(QStringLiteral("TAG"), txtTag_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(palette);
    layout->addWidget(lblSample_);
    layout->addWidget(okButton, 0, Qt::AlignRight);
    choose(4);
}

void frmTag::choose(int index)
{
    colour_ = kPalette[size_t(index)];
    QPalette colours = lblSample_->palette();
    colours.setColor(QPalette::WindowText, storedColour(colour_));
    lblSample_->setPalette(colours);
}

void frmTag::ok()
{
    // Said here, where the tag can still be changed, as well as when the layout is saved.
    orvane::codepage::TextsOutsideCp1252 lossy;
    lossy.check("tag", txtTag_->text().toStdString());
    if (!lossy.empty()
        && showMessage(this, QString::fromStdString(lossy.message(kTagsOutsideCp1252, "Keep this tag?")),
                       Buttons::OkCancel, Icon::Exclamation)
               != Answer::Ok) {
        txtTag_->setFocus();
        return;
    }
    tag_ = txtTag_->text();
    block_ = tagBlock(txtBlock_->text());
    accept();
}

} // namespace brevant::linkwin
