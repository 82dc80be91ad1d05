#include "linkwin/monitor/FormOrvanedoor.h"


#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace brevant::linkwin {

using orvane::monitor::DoorPanel;

namespace {
constexpr int kTickMs = 100;
// Left to right: up arrow (index 0), down arrow (6), SEL (1), ESC (7); the key code is the index + 1.
constexpr std::array<int, 4> kKeyCodes = {DoorPanel::kUp, DoorPanel::kDown, DoorPanel::kSelect, DoorPanel::kEscape};

const QColor kMissing(0x90, 0x90, 0x90);

// A display's text in the window's own colours while live, else grey.
void showLive(QLabel* display, bool live)
{
    QPalette colours;   // the inherited ones
    if (!live)
        colours.setColor(QPalette::WindowText, kMissing);
    display->setPalette(colours);
}

QIcon arrowIcon(bool up)
{
    QPixmap picture(24, 24);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const QPolygonF triangle = up ? QPolygonF({QPointF(12, 3), QPointF(22, 20), QPointF(2, 20)})
                                  : QPolygonF({QPointF(2, 4), QPointF(22, 4), QPointF(12, 21)});
    painter.drawPolygon(triangle);
    return QIcon(picture);
}
} // namespace

Lamp::Lamp(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("shpLamp"));
    setFixedSize(22, 22);
}

void Lamp::setLit(bool lit) { show(lit ? State::Lit : State::Dark); }
void Lamp::setUnknown() { show(State::Unknown); }

void Lamp::show(State state)
{
    if (state_ == state)
        return;
    state_ = state;
    update();
}

QColor Lamp::colour() const
{
    switch (state_) {
    case State::Lit: return QColor(255, 0, 0);
    case State::Unknown: return kMissing;
    case State::Dark: break;
    }
    return palette().color(QPalette::Window);
}

void Lamp::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(palette().color(QPalette::Dark));
    painter.setBrush(colour());
    painter.drawEllipse(rect().adjusted(1, 1, -1, -1));
}

FormOrvanedoor::FormOrvanedoor(QWidget* mainWindow)
    : PollingWindow(mainWindow, QStringLiteral("FormOrvanedoor"), QStringLiteral("DCX7 door"), Caption::Own),
      lblValue_(new QLabel(QStringLiteral("+1.8888"))), lblText_(new QLabel(QStringLiteral("ENTER S/M"))),
      shpLamp_(new Lamp(nullptr))
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    lblValue_->setObjectName(QStringLiteral("lblValue"));
    lblText_->setObjectName(QStringLiteral("lblText"));
    QFont valueFont(QStringLiteral("Arial"));
    valueFont.setPointSize(24);
    valueFont.setBold(true);
    lblValue_->setFont(valueFont);
    QFont textFont = lblText_->font();
    textFont.setPointSize(14);
    lblText_->setFont(textFont);
    for (QLabel* display : {lblValue_, lblText_}) {
        display->setAlignment(Qt::AlignCenter);
        display->setMinimumWidth(260);
        display->setFrameShape(QFrame::Panel);
        display->setFrameShadow(QFrame::Sunken);
    }

    auto* keyRow = new QHBoxLayout;
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const int code = kKeyCodes[i];
        auto* key = new QPushButton(central);
        key->setObjectName(QStringLiteral("cmdKey%1").arg(code - 1));
        if (code == DoorPanel::kUp || code == DoorPanel::kDown) {
            key->setIcon(arrowIcon(code == DoorPanel::kUp));
            key->setIconSize(QSize(24, 24));
        } else {
            key->setText(code == DoorPanel::kSelect ? QStringLiteral("SEL") : QStringLiteral("ESC"));
        }
        key->setFixedSize(56, 40);
        key->installEventFilter(this);
        keys_[i] = key;
        keyRow->addWidget(key);
    }

    auto* displays = new QGridLayout;
    displays->addWidget(lblValue_, 0, 0);
    displays->addWidget(shpLamp_, 0, 1, Qt::AlignCenter);
    displays->addWidget(lblText_, 1, 0);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(displays);
    layout->addLayout(keyRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QPushButton* FormOrvanedoor::keyButton(int key) const
{
    for (std::size_t i = 0; i < keys_.size(); ++i)
        if (kKeyCodes[i] == key)
            return keys_[i];
    return nullptr;
}

bool FormOrvanedoor::activate()
{
    if (startPolling(orvane::monitor::Pacing::Every, kTickMs))
        return true;
    backToMain();
    return false;
}

void FormOrvanedoor::pass()
{
    const orvane::monitor::PanelReadings readings = panel_.tick(line());
    if (readings.lampLit)
        shpLamp_->setLit(*readings.lampLit);
    for (const auto& [display, text] : {std::pair{lblText_, readings.text}, std::pair{lblValue_, readings.value}})
        if (text) {
            display->setText(QString::fromStdString(*text));
            showLive(display, true);
        }
    if (panel_.closeRequested())
        stopPolling();
}

void FormOrvanedoor::showValuesMissing()
{
    shpLamp_->setUnknown();
    for (QLabel* display : {lblText_, lblValue_})
        showLive(display, false);
}

void FormOrvanedoor::done()
{
    if (!polling()) {
        PollingWindow::done();
        return;
    }
    // The next tick still sends a key pressed before Done, then closes the port.
    leaveWhenPollingEnds();
    panel_.requestClose();
}

bool FormOrvanedoor::eventFilter(QObject* watched, QEvent* event)
{
    const auto key = std::find(keys_.begin(), keys_.end(), watched);
    if (key == keys_.end())
        return PollingWindow::eventFilter(watched, event);
    const int code = kKeyCodes[std::size_t(key - keys_.begin())];
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:   // a quick second click comes in place of its press
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (event->type() == QEvent::MouseButtonRelease)
            panel_.release();
        else
            panel_.press(code, mouse->modifiers().testFlag(Qt::ControlModifier));
        break;
    }
    case QEvent::KeyPress:
        // The space bar on a key that has the focus presses it once, like a click.
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space)
            panel_.press(code, false);
        break;
    default:
        break;
    }
    return false;   // the button still shows itself pressed and released
}

} // namespace brevant::linkwin
