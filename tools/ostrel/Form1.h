#pragma once
// Ostrel's window: choose a Source and an Update configuration, compare them, and on
// confirmation overwrite every comment of Update with Source's.

#include "Desktop.h"

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace ostrel {

class Form1 : public QWidget {
    Q_OBJECT
public:
    // The catalogue is read from programFolder; every box and dialog goes to desktop.
    Form1(const QString& programFolder, orvane::tools::Desktop& desktop);

    void Command1_Click();   // Browse for Source
    void Command2_Click();   // Browse for Update
    void Command3_Click();   // Start

private:
    void browse(QLineEdit* box, QString& filename, bool& valid);
    orvane::tools::Answer say(const QString& text, const QString& title = QStringLiteral("Ostrel"),
                              orvane::tools::Buttons buttons = orvane::tools::Buttons::Ok,
                              orvane::tools::Icon icon = orvane::tools::Icon::None);

    QString programFolder_;
    orvane::tools::Desktop& desktop_;
    QLineEdit* text1_ = nullptr;
    QLineEdit* text2_ = nullptr;
    QString filename1_, filename2_;
    bool f1IsValid_ = false, f2IsValid_ = false;
};

} // namespace ostrel
