#include "SeamReporter.h"

#include "ui/MessageSeam.h"

namespace brevant::linkwin {

namespace {

brevant::Icon seamIcon(orvane::transfer::Icon icon)
{
    switch (icon) {
    case orvane::transfer::Icon::Information: return brevant::Icon::Information;
    case orvane::transfer::Icon::Exclamation: return brevant::Icon::Exclamation;
    case orvane::transfer::Icon::Stop: return brevant::Icon::Critical;
    case orvane::transfer::Icon::None: break;
    }
    return brevant::Icon::None;
}

} // namespace

SeamReporter::SeamReporter(QWidget* parent) : parent_(parent), progress_(parent) {}

void SeamReporter::message(const std::string& text, const std::string& title, orvane::transfer::Icon icon)
{
    brevant::showMessage(parent_, QString::fromStdString(text), Buttons::Ok, seamIcon(icon),
                         title.empty() ? kProgramTitle : QString::fromStdString(title));
}

void SeamReporter::progressStart(const std::string& caption)
{
    progress_.zero_progress(QString::fromStdString(caption));
    progress_.showCentred();
}

void SeamReporter::progress(int percent) { progress_.Set_Progress(percent); }

void SeamReporter::progressEnd() { progress_.hide(); }

} // namespace brevant::linkwin
