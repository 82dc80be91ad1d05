#pragma once
// The progress of a download or upload: a caption, a bar and its percent text. Shown
// without blocking; nothing is updated while it is hidden.

#include <QWidget>

class QLabel;
class QProgressBar;

namespace brevant::linkwin {

class frmProgress : public QWidget {
    Q_OBJECT
public:
    explicit frmProgress(QWidget* parent = nullptr);
    // A new run: caption, total back to 0.
    void zero_progress(const QString& caption);
    // Adds a frame's bytes; the percent is of 7600 bytes.
    void update_progress(int bytes);
    void Set_Progress(int percent);
    int percent() const { return percent_; }

private:
    QLabel* caption_;
    QProgressBar* bar_;
    QLabel* percentText_;
    long total_ = 0;
    int percent_ = 0;
};

} // namespace brevant::linkwin
