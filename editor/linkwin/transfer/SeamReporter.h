#pragma once
// The transfers' messages and progress, shown through the message seam and frmProgress.

#include "frmProgress.h"
#include "orvane/transfer/Exchange.h"

namespace brevant::linkwin {

class SeamReporter : public orvane::transfer::Reporter {
public:
    explicit SeamReporter(QWidget* parent);
    void message(const std::string& text, const std::string& title, orvane::transfer::Icon icon) override;
    void progressStart(const std::string& caption) override;
    void progress(int percent) override;
    void progressEnd() override;
    bool cancelRequested() override { return progress_.cancelled(); }
    frmProgress& window() { return progress_; }

private:
    QWidget* parent_;
    frmProgress progress_;
};

} // namespace brevant::linkwin
