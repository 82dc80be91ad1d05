#include "frmWarn.h"

#include "orvane/transfer/Texts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace brevant::linkwin {

namespace {

// Indent of each line below the heading: none, one step or two steps.
constexpr int kIndentSteps[10] = {0, 0, 0, 0, 1, 2, 2, 1, 1, 2};

} // namespace

frmWarn::frmWarn(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmWarn"));
    setWindowTitle(QString::fromLatin1(orvane::transfer::texts::kWarnCaption));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < 10; ++i) {
        auto* label = new QLabel(QString::fromLatin1(orvane::transfer::texts::kWarnLines[size_t(i)]), this);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->setIndent(kIndentSteps[i] * 24);
        if (i == 0) {
            QFont heading = label->font();
            heading.setBold(true);
            heading.setPointSizeF(heading.pointSizeF() * 1.6);
            label->setFont(heading);
            label->setAlignment(Qt::AlignHCenter);
        }
        layout->addWidget(label);
    }
    auto* buttons = new QHBoxLayout;
    auto* cont = new QPushButton(QString::fromLatin1(orvane::transfer::texts::kWarnContinue), this);
    cont->setObjectName(QStringLiteral("cmdContinue"));
    auto* cancel = new QPushButton(QString::fromLatin1(orvane::transfer::texts::kWarnCancel), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setDefault(true);  // Enter must not start a download by accident
    buttons->addWidget(cont);
    buttons->addStretch();
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(cont, &QPushButton::clicked, this, [this] { cancelFlag_ = false; accept(); });
    connect(cancel, &QPushButton::clicked, this, [this] { cancelFlag_ = true; reject(); });
    connect(this, &QDialog::rejected, this, [this] { cancelFlag_ = true; });
}

bool confirmDownloadWarning(QWidget* parent)
{
    frmWarn warn(parent);
    warn.exec();
    return !warn.cancelled();
}

} // namespace brevant::linkwin
