#pragma once
// What the monitor windows and the front panel share: each is shown in place of the main
// window (hidden meanwhile), centred on it, with the main window's caption or its own,
// polls the controller through a PollSession, and goes back to the main window on
// "&Done" or its title bar's close. Its messages, the link's among them, show over it.
// Done while polling shows the busy pointer and leaves once the last exchange has
// returned and the port is closed.
//
// Values that are not live are shown as missing, all at once: when the line dies in a
// pass (the controller stopped answering), when the port closes under the window (which
// also says so and stops), and when the window is shown again after an earlier session.

#include "orvane/monitor/PollSession.h"

#include <QMainWindow>
#include <QPointer>
#include <QPushButton>

#include <functional>

namespace brevant::linkwin {

class PollingWindow : public QMainWindow {
    Q_OBJECT
public:
    enum class Caption { MainWindows, Own };
    PollingWindow(QWidget* mainWindow, const QString& objectName, const QString& caption,
                  Caption shown = Caption::MainWindows);
    ~PollingWindow() override;

    // Shows this window centred on the main window, with the caption chosen, and hides
    // the main window; `onReturn` runs once the main window is shown again.
    void showInstead(std::function<void()> onReturn);
    bool polling() const { return session_.active(); }
    // Passes completed since polling last started.
    int passes() const { return session_.passes(); }

protected:
    // One pass over what the window watches through line(); ask goOn() between exchanges.
    virtual void pass() = 0;
    // Every value shown as missing (ControllerLine): none is live now.
    virtual void showValuesMissing() = 0;
    // The port is closed again: buttons back to idle.
    virtual void pollingEnded() {}
    // "&Done": leave now when idle, else once polling has ended.
    virtual void done();

    // A pass starts at most this often, however fast the controller answers: the screen
    // has shown the last pass's values (the paint comes before the next pass), and values
    // that changed faster could not be read. Slower passes follow each other at once.
    static constexpr int kShownMs = 100;

    // Opens the port, polls the controller and starts the passes. Shows "Could Not
    // Connect To Target" when the controller does not answer; false unless started.
    bool startPolling(orvane::monitor::Pacing pacing, int intervalMs = 0);
    void stopPolling() { session_.stop(); }
    bool goOn() const { return session_.running(); }
    orvane::monitor::ControllerLine& line() { return session_.line(); }
    // Hides this window and shows the main window again (once: nothing when hidden).
    void backToMain();
    // The busy pointer until polling has ended; then back to the main window.
    void leaveWhenPollingEnds();

    void closeEvent(QCloseEvent* event) override;

    // A button in `parent` whose click runs `command` of this window.
    template <class Window>
    QPushButton* commandButton(QWidget* parent, const char* name, const QString& text, void (Window::*command)())
    {
        auto* button = new QPushButton(text, parent);
        button->setObjectName(QString::fromLatin1(name));
        connect(button, &QPushButton::clicked, static_cast<Window*>(this), command);
        return button;
    }

private:
    void runPass();
    void onPollingFinished();

    QPointer<QWidget> mainWindow_;
    std::function<void()> onReturn_;
    orvane::monitor::PollSession session_;
    bool closeRequested_ = false;
    Caption caption_;
};

} // namespace brevant::linkwin
