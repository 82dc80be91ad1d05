#include "linkwin/monitor/frmTag.h"

#include "orvane/monitor/LayoutFile.h"
#include "orvane/monitor/Tiles.h"
#include "ui/MessageSeam.h"

#include <QFontMetrics>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace brevant::linkwin {

using namespace orvane::monitor;

namespace {
// Room in a title bar beside its caption: the window's icon and its buttons.
constexpr int kTitleBarButtons = 160;
} // namespace

QColor storedColour(uint32_t colour)
{
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

void showInColour(QWidget* label, uint32_t colour)
{
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, storedColour(colour));
    colours.setColor(QPalette::Window, storedColour(groundFor(colour)));
    label->setPalette(colours);
    label->setAutoFillBackground(true);
}

ColourPalette::ColourPalette(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picPalette"));
    setAccessibleName(QStringLiteral("Colour"));
    setMinimumSize(8 * 24, 24);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void ColourPalette::setCurrent(int index)
{
    current_ = std::clamp(index, 0, 7);
    update();
    emit chosen(current_);
}

void ColourPalette::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int box = width() / 8;
    const auto boxAt = [&](int i) { return QRect(i * box, 0, i == 7 ? width() - 7 * box : box, height()); };
    for (int i = 0; i < 8; ++i)
        painter.fillRect(boxAt(i), storedColour(kPalette[size_t(i)]));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    // The chosen box in a frame that shows on any of the colours, thicker with the focus.
    const QRect chosen = boxAt(current_).adjusted(1, 1, -2, -2);
    painter.setPen(QPen(palette().color(QPalette::Highlight), hasFocus() ? 3 : 2));
    painter.drawRect(chosen);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.drawRect(chosen.adjusted(3, 3, -3, -3));
}

void ColourPalette::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    setCurrent(paletteIndexAt(event->position().toPoint().x(), width()));
}

void ColourPalette::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up: setCurrent(current_ - 1); break;
    case Qt::Key_Right:
    case Qt::Key_Down: setCurrent(current_ + 1); break;
    case Qt::Key_Home: setCurrent(0); break;
    case Qt::Key_End: setCurrent(7); break;
    default: QWidget::keyPressEvent(event);
    }
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
    lblSample_->setMargin(4);
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
    palette->setCurrent(4);
    // The title bar shows its caption in a bold font, beside its own buttons.
    QFont title = font();
    title.setBold(true);
    setMinimumWidth(QFontMetrics(title).horizontalAdvance(windowTitle()) + kTitleBarButtons);
}

void frmTag::choose(int index)
{
    colour_ = kPalette[size_t(index)];
    showInColour(lblSample_, colour_);
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
