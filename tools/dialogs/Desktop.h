#pragma once
// Message boxes and file dialogs of the companion programs. Ostrel is handed a Desktop,
// so a test can answer its boxes and check their exact texts.

#include <QString>

class QWidget;

namespace orvane::tools {

// OverwriteSaveAsCancel: "Overwrite" answers Yes, "Save As..." No.
enum class Buttons { Ok, OkCancel, YesNo, OverwriteSaveAsCancel };
enum class Icon { None, Information, Exclamation, Critical };
// The numbers the answers have always had.
enum class Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct Message {
    QString text;    // "\r" where a line breaks
    QString title;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    bool operator==(const Message&) const = default;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    virtual Answer show(QWidget* parent, const Message& message) = 0;
    // The chosen file, or "" when the dialog was cancelled.
    virtual QString askOpenFileName(QWidget* parent, const QString& filter) = 0;
    // The name to save under, or "" when the dialog was cancelled.
    virtual QString askSaveFileName(QWidget* parent, const QString& filter) = 0;
};

// The real boxes and dialogs.
class WidgetDesktop : public Desktop {
public:
    Answer show(QWidget* parent, const Message& message) override;
    QString askOpenFileName(QWidget* parent, const QString& filter) override;
    QString askSaveFileName(QWidget* parent, const QString& filter) override;
};

} // namespace orvane::tools
