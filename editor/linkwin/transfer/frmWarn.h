#pragma once
// The download's warning about the front-panel procedure. Modal; Cancel (or closing
// the window) leaves the cancel flag set.

#include <QDialog>

namespace brevant::linkwin {

class frmWarn : public QDialog {
    Q_OBJECT
public:
    explicit frmWarn(QWidget* parent = nullptr);
    bool cancelled() const { return cancelFlag_; }

private:
    bool cancelFlag_ = false;
};

// Shows the warning modally; true when the user chose "Continue".
bool confirmDownloadWarning(QWidget* parent);

} // namespace brevant::linkwin
