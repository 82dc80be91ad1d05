#pragma once
// The small windows of the editor: start dialog, recent files, aux output choice, About.

#include "core/BlockModel.h"

#include <QDialog>
#include <QWidget>

class QRadioButton;
class QTableWidget;
class QLabel;

namespace brevant {

class Form3;

// Twips of the original layout to pixels at the screen's resolution.
int twips(const QWidget* w, int value);
// The logo beside the executables; a blank picture when it is missing.
QPixmap loadLogo();
inline const QString kVersionText = QStringLiteral("Version 7.11");

// "FrmAsk": create, open or pick a recent configuration when the editor starts.
class FrmAsk : public QDialog {
    Q_OBJECT
public:
    explicit FrmAsk(Form3* main);
private:
    void onOk();
    Form3* main_;
    QRadioButton* option1_;
    QRadioButton* option2_;
    QRadioButton* option3_;
};

// "FrmRecent": the recent list with shortened names.
class FrmRecent : public QDialog {
    Q_OBJECT
public:
    explicit FrmRecent(Form3* main);
private:
    void choose();
    Form3* main_;
    QTableWidget* grid_;
};

// "FrmAuxOutput": the choice among the source block's auxiliary outputs.
class FrmAuxOutput : public QDialog {
    Q_OBJECT
public:
    FrmAuxOutput(QWidget* parent, AuxChoice& choice);
};

// "frmAbout".
class FrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit FrmAbout(QWidget* parent);
};

// "frmStart": the start-up window, shown while the main window gets ready.
class FrmStart : public QWidget {
    Q_OBJECT
public:
    FrmStart();
};

} // namespace brevant
