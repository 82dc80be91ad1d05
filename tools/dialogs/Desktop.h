#pragma once
// Message boxes and file dialogs of the companion programs. Ostrel is handed a Desktop,
// so a test can answer its boxes and check their exact texts; Juxta and Tracera, which
// have no window, show theirs only where a display is there.

#include <QString>

#include <memory>

class QApplication;
class QWidget;

namespace orvane::tools {

enum class Buttons { Ok, OkCancel, YesNo };
enum class Icon { None, Exclamation, Critical };
// The numbers the answers have always had.
enum class Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct Message {
    QString text;    // "\r" where a line breaks
    QString title;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    virtual Answer show(QWidget* parent, const Message& message) = 0;
    // The chosen file, or "" when the dialog was cancelled.
    virtual QString askOpenFileName(QWidget* parent, const QString& filter) = 0;
};

// The real boxes and dialogs.
class WidgetDesktop : public Desktop {
public:
    Answer show(QWidget* parent, const Message& message) override;
    QString askOpenFileName(QWidget* parent, const QString& filter) override;
};

// True when a message box would reach someone's screen.
bool displayAvailable();

// A program without windows: its own folder, and its messages in a box when a display
// is there, on standard error when there is none.
class WindowlessProgram {
public:
    WindowlessProgram(int& argc, char** argv);
    ~WindowlessProgram();
    WindowlessProgram(const WindowlessProgram&) = delete;
    WindowlessProgram& operator=(const WindowlessProgram&) = delete;

    QString folder() const;
    // The command line as one text, its words joined by single blanks.
    QString commandLine() const;
    void notify(const QString& text, const QString& title);

private:
    int& argc_;
    char** argv_;
    std::unique_ptr<QApplication> application_;   // made only when a box is shown
};

} // namespace orvane::tools
