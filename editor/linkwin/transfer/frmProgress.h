#pragma once
// The progress of a download or upload: a caption, a bar and its percent text. Shown
// without blocking, centred on its parent; nothing is updated while it is hidden. Cancel
// (or closing the window) asks the running transfer to stop before its next frame.

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace brevant::linkwin {

class frmProgress : public QWidget {
    Q_OBJECT
public:
    explicit frmProgress(QWidget* parent = nullptr);
    // A new run: caption, total back to 0, not cancelled.
    void zero_progress(const QString& caption);
    // Adds a frame's bytes; the percent is of 7600 bytes.
    void update_progress(int bytes);
    void Set_Progress(int percent);
    int percent() const { return percent_; }
    // Shows the window over the middle of its parent's window.
    void showCentred();
    bool cancelled() const { return cancelled_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void requestCancel();

    QLabel* caption_;
    QProgressBar* bar_;
    QLabel* percentText_;
    QPushButton* cancel_;
    long total_ = 0;
    int percent_ = 0;
    bool cancelled_ = false;
};

} // namespace brevant::linkwin
