#include "Form1.h"

#include "CommentMerge.h"
#include "CompareLogWindow.h"
#include "orvane/compare/CompanionFiles.h"
#include "orvane/compare/FunctionCatalogue.h"
#include "orvane/files/FileVersion.h"
#include "orvane/files/TempFolder.h"
#include "orvane/files/WritingHold.h"
#include "orvane/formats/JetFiles.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ostrel {

using namespace orvane::compare;
using orvane::tools::Answer;
using orvane::tools::Buttons;
using orvane::tools::Icon;

Form1::Form1(const QString& programFolder, orvane::tools::Desktop& desktop)
    : programFolder_(programFolder), desktop_(desktop)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Orvane Merge Database Comments Utility"));
    auto* layout = new QGridLayout(this);
    const auto row = [&](int at, const char* labelName, const QString& label, const char* boxName, const char* buttonName) {
        auto* caption = new QLabel(label, this);
        caption->setObjectName(QString::fromLatin1(labelName));
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(boxName));
        // The box shows the file Start will use; typing there would not change it.
        box->setReadOnly(true);
        box->setMinimumWidth(420);
        auto* button = new QPushButton(QStringLiteral("Browse"), this);
        button->setObjectName(QString::fromLatin1(buttonName));
        layout->addWidget(caption, at, 0);
        layout->addWidget(box, at, 1);
        layout->addWidget(button, at, 2);
        return std::pair{box, button};
    };
    QPushButton* command1 = nullptr;
    QPushButton* command2 = nullptr;
    std::tie(text1_, command1) = row(0, "Label1", QStringLiteral("Source"), "Text1", "Command1");
    std::tie(text2_, command2) = row(1, "Label2", QStringLiteral("Update"), "Text2", "Command2");
    auto* command3 = new QPushButton(QStringLiteral("Start"), this);
    command3->setObjectName(QStringLiteral("Command3"));
    layout->addWidget(command3, 2, 1, Qt::AlignCenter);
    connect(command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(command3, &QPushButton::clicked, this, &Form1::Command3_Click);
}

Answer Form1::say(const QString& text, const QString& title, Buttons buttons, Icon icon)
{
    return desktop_.show(this, {text, title, buttons, icon});
}

void Form1::Command1_Click() { browse(text1_, filename1_, f1IsValid_); }
void Form1::Command2_Click() { browse(text2_, filename2_, f2IsValid_); }

void Form1::browse(QLineEdit* box, QString& filename, bool& valid)
{
    valid = false;
    const QString name = desktop_.askOpenFileName(this, QStringLiteral("Orvane Configuration Database (*.mdb)"));
    if (!name.isEmpty() && !QFileInfo::exists(name))
        say(name + QStringLiteral(" Does Not Exist"));
    if (!name.isEmpty()) {
        filename = name;
        valid = true;
    }
    box->setText(name);
}

void Form1::Command3_Click()
{
    if (!f1IsValid_ || !f2IsValid_) {
        say(QStringLiteral("Specify Two Files"));
        return;
    }
    const QString source = text1_->text(), update = text2_->text();
    if (source == update)
        say(QStringLiteral("Source and Destination Are The Same File"));
    const auto read = [this](const QString& path) -> std::optional<Configuration> {
        try {
            Configuration c = readConfiguration(path);
            if (!c.recovered.isEmpty())
                say(c.recovered, QStringLiteral("Ostrel"), Buttons::Ok, Icon::Information);
            return c;
        } catch (const std::exception& e) {
            say(readFailure(path, e), QStringLiteral("Ostrel"), Buttons::Ok, Icon::Critical);
            return std::nullopt;
        }
    };
    const auto one = read(filename1_);
    const auto two = one ? read(filename2_) : std::nullopt;
    if (!two)
        return;
    // What the Update file was when compared (an unfinished write recovered by the read), so
    // that the merge never lands on another's change unasked.
    const auto compared = orvane::files::fileVersion(filename2_);
    if (!FunctionCatalogue::presentIn(programFolder_)) {
        say(QStringLiteral("Error - Brevant Must Be Installed"), QStringLiteral("File Not Found"), Buttons::Ok, Icon::Exclamation);
        return;
    }
    // The log is Windows-1252: what would become "?" there is named before it is written.
    const auto lossy = logTextsOutsideCp1252(*one, *two, source, update);
    if (!lossy.empty()
        && say(QString::fromStdString(lossy.message(
                   "Windows-1252 lacks some characters of these texts; where the compare log shows them, "
                   "it shows \"?\":",
                   "Compare anyway?")),
               QStringLiteral("Ostrel"), Buttons::OkCancel, Icon::Exclamation)
               != Answer::Ok)
        return;
    CompareOutcome outcome;
    QString log;
    try {
        outcome = compareForMerge(*one, *two, programFolder_, source, update);
        log = orvane::files::tempFolder() + QLatin1Char('/') + kOstrelLogName;
    } catch (const std::exception& e) {
        say(failureText(e), QStringLiteral("Ostrel"), Buttons::Ok, Icon::Critical);
        return;
    }
    if (const auto failure = orvane::files::replaceFileContent(log, outcome.log)) {
        say(*failure, QStringLiteral("Ostrel"), Buttons::Ok, Icon::Critical);
        return;
    }
    if (!outcome.differs) {
        say(QStringLiteral("No Differences Encountered"), QStringLiteral("Orvane Compare"));
        return;
    }
    if (say(QStringLiteral("Configurations Differ\rView Now"), QStringLiteral("Orvane Compare"), Buttons::OkCancel) == Answer::Ok)
        orvane::tools::showCompareLog(this, log);
    const QString held = orvane::files::heldForWriting(filename2_)
                             ? update + QStringLiteral(" is open for writing in another program of the tool set, which "
                                                       "will ask before it saves over the merge.\r")
                             : QString();
    if (say(held + QStringLiteral("All Comments In ") + source + QStringLiteral(" Will\rOVERWRITE All Comments in ") + update
                + QStringLiteral("\rContinue?"),
            QStringLiteral("Continue?"), Buttons::YesNo, Icon::Exclamation)
        != Answer::Yes)
        return;
    QString keptOriginal, saveAs;
    for (auto expected = compared;;) {
        try {
            keptOriginal = mergeComments(*one, filename2_, expected, saveAs);
            break;
        } catch (const UpdateChanged&) {
            const Answer a = say(update + QStringLiteral(" was changed by another program since it was compared.\r")
                                     + QStringLiteral("Overwrite its comments as it is now, save the merge as another "
                                                      "file, or cancel?"),
                                 QStringLiteral("Ostrel"), Buttons::OverwriteSaveAsCancel, Icon::Exclamation);
            if (a == Answer::No)
                saveAs = desktop_.askSaveFileName(this, QStringLiteral("Orvane Configuration Database (*.mdb)"));
            if ((a != Answer::Yes && a != Answer::No) || (a == Answer::No && saveAs.isEmpty()))
                return;
            expected.reset();
        } catch (const std::exception& e) {
            say(QStringLiteral("Merge Failed: ")
                    + (saveAs.isEmpty() ? update + QStringLiteral(" is unchanged.") : saveAs + QStringLiteral(" was not written."))
                    + QLatin1Char('\r') + failureText(e),
                QStringLiteral("Ostrel"), Buttons::Ok, Icon::Critical);
            return;
        }
    }
    if (!keptOriginal.isEmpty())
        say(orvane::formats::keptOriginalMessage(saveAs.isEmpty() ? filename2_ : saveAs, keptOriginal),
            QStringLiteral("Ostrel"), Buttons::Ok, Icon::Information);
    say(QStringLiteral("Merge Complete"));
}

} // namespace ostrel
