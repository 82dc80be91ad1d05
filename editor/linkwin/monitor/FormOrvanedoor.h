#pragma once
// "DCX7 door": the controller's door panel on the workstation, under that caption of its
// own (the main window's long one would not fit its narrow title bar). Every 100 ms a
// tick sends the keys clicked since the last tick, each once and in order (and the
// repeating key, pressed with Ctrl, until the mouse button is released), then reads the
// lamp, the text line and the value line. A tick starts only after the previous tick's
// exchanges ended. "&Done" asks the next tick to close the window; the port is closed then.

#include "linkwin/monitor/PollingWindow.h"

#include "orvane/monitor/DoorPanel.h"

#include <array>

class QLabel;
class QPushButton;

namespace brevant::linkwin {

// The indicator: red while lit, else the window's background; grey while its state is
// not known (the line died).
class Lamp : public QWidget {
    Q_OBJECT
public:
    explicit Lamp(QWidget* parent);
    void setLit(bool lit);
    void setUnknown();
    bool lit() const { return state_ == State::Lit; }
    bool known() const { return state_ != State::Unknown; }
    QColor colour() const;
protected:
    void paintEvent(QPaintEvent* event) override;
private:
    enum class State { Dark, Lit, Unknown };
    void show(State state);
    State state_ = State::Dark;
};

class FormOrvanedoor : public PollingWindow {
    Q_OBJECT
public:
    explicit FormOrvanedoor(QWidget* mainWindow);

    // Opens the port and polls the controller; on failure (reported) back to the main
    // window at once. True when the ticks run.
    bool activate();

    QLabel* valueDisplay() const { return lblValue_; }
    QLabel* textDisplay() const { return lblText_; }
    Lamp* lamp() const { return shpLamp_; }
    // The key button of a key code (1, 7, 2 or 8).
    QPushButton* keyButton(int key) const;
    const orvane::monitor::DoorPanel& panel() const { return panel_; }

protected:
    void pass() override;
    void showValuesMissing() override;
    // Polling ended (Done, or the port closed under it): back to the main window.
    void pollingEnded() override { backToMain(); }
    void done() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* lblValue_;
    QLabel* lblText_;
    Lamp* shpLamp_;
    std::array<QPushButton*, 4> keys_{};
    orvane::monitor::DoorPanel panel_;
};

} // namespace brevant::linkwin
