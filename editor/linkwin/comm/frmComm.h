#pragma once
// "Comm Port Settings": the port, baud rate and parity of the link. The port list
// is filled each time the window is shown, each port marked with whether it can be
// opened now; "&Done" checks the port name, says why a port cannot be opened (the user
// may keep it all the same), saves the settings and closes; Cancel closes and saves
// nothing.

#include <QDialog>

class QComboBox;
class QLineEdit;
class QListWidget;

namespace brevant::linkwin {

class frmComm : public QDialog {
    Q_OBJECT
public:
    explicit frmComm(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fill_port_list();
    void selectListedPort(const QString& portName);
    void done_clicked();

    QListWidget* lstPort_;
    QLineEdit* txtPort_;
    QComboBox* cboBaud_;
    QComboBox* cboParity_;
};

} // namespace brevant::linkwin
