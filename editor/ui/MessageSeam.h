#pragma once
// Every message box and file dialog of the editor goes through here, so tests can
// answer them and check their exact texts, buttons, icons and titles.

#include <QString>
#include <functional>

class QWidget;

namespace brevant {

// OverwriteSaveAsCancel: "Overwrite" answers Yes, "Save As..." No.
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, OverwriteSaveAsCancel };
enum class Icon { None, Information, Question, Exclamation, Critical };
// The numbers the answers have always had (6 Yes, 7 No, 2 Cancel, 1 OK).
enum class Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

inline const QString kProgramTitle = QStringLiteral("Brevant");

struct MessageRequest {
    QString text;    // exactly as composed, with "\r" where a line breaks
    QString title;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
};

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QString caption;
    QString fileName;   // proposed name or folder
    QString filter;     // Qt filter text, e.g. "Orvane Configuration Database (*.mdb)"
};

// Shows a message box and returns the button pressed.
Answer showMessage(QWidget* parent, const QString& text, Buttons buttons = Buttons::Ok,
                   Icon icon = Icon::None, const QString& title = kProgramTitle);
// Returns the chosen file name, or "" when the dialog was cancelled.
QString askFileName(QWidget* parent, const FileDialogRequest& request);

// Whether `name` may be written: true when no such file exists or the user agrees to
// replace it ("Save AS" question).
bool replaceAllowed(QWidget* parent, const QString& name);

// Tests install handlers here; with none installed the real dialogs are shown.
using MessageHandler = std::function<Answer(const MessageRequest&)>;
using FileDialogHandler = std::function<QString(const FileDialogRequest&)>;
void setMessageHandler(MessageHandler handler);
void setFileDialogHandler(FileDialogHandler handler);

// The filter of every configuration file dialog.
inline const QString kConfigurationFilter = QStringLiteral("Orvane Configuration Database (*.mdb)");

} // namespace brevant
