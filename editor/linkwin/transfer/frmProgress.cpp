#include "frmProgress.h"

#include "orvane/transfer/Rules.h"
#include "ui/Placement.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace brevant::linkwin {

frmProgress::frmProgress(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("frmProgress"));
    auto* layout = new QVBoxLayout(this);
    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("lblCaption"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("ProgressBar1"));
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    percentText_ = new QLabel(this);
    percentText_->setObjectName(QStringLiteral("lblPercent"));
    percentText_->setAlignment(Qt::AlignHCenter);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cmdCancel"));
    connect(cancel_, &QPushButton::clicked, this, &frmProgress::requestCancel);
    layout->addWidget(caption_);
    layout->addWidget(bar_);
    layout->addWidget(percentText_);
    layout->addWidget(cancel_, 0, Qt::AlignHCenter);
    resize(320, 140);
}

void frmProgress::showCentred()
{
    resize(size().expandedTo(sizeHint()));  // the size it will show with
    centreOn(this, parentWidget());
    show();
    raise();
}

void frmProgress::requestCancel()
{
    cancelled_ = true;
    cancel_->setEnabled(false);
}

void frmProgress::closeEvent(QCloseEvent* event)
{
    // The window goes when its transfer has stopped, not before.
    event->ignore();
    requestCancel();
}

void frmProgress::zero_progress(const QString& caption)
{
    total_ = 0;
    percent_ = 0;
    cancelled_ = false;
    cancel_->setEnabled(true);
    setWindowTitle(caption);
    caption_->setText(caption);
    bar_->setValue(0);
    percentText_->setText(QStringLiteral("0%"));
}

void frmProgress::update_progress(int bytes)
{
    total_ += bytes;
    Set_Progress(orvane::transfer::progressPercent(total_));
}

void frmProgress::Set_Progress(int percent)
{
    if (!isVisible())
        return;
    percent_ = percent;
    bar_->setValue(percent);
    percentText_->setText(QString::number(percent) + QLatin1Char('%'));
}

} // namespace brevant::linkwin
