#include "linkwin/comm/frmComm.h"

#include "linkwin/comm/CommChoices.h"
#include "orvane/link/PortList.h"
#include "ui/MessageSeam.h"
#include "ui/SettingsStore.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace brevant::linkwin {

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

// The ports to list: what the system offers, plus the stored device when the system
// does not list it (a pseudo-terminal, a port created by a driver Qt does not know).
std::vector<std::string> portsToList(const QString& storedPort)
{
    auto ports = orvane::link::systemPortNames();
    const std::string stored = storedPort.trimmed().toStdString();
    if (storedPort.startsWith('/') && QFileInfo::exists(storedPort)
        && std::find(ports.begin(), ports.end(), stored) == ports.end())
        ports.push_back(stored);
    return ports;
}

} // namespace

frmComm::frmComm(QWidget* parent)
    : QDialog(parent), lstPort_(new QListWidget(this)), txtPort_(new QLineEdit(this)),
      cboBaud_(new QComboBox(this)), cboParity_(new QComboBox(this))
{
    setObjectName(QStringLiteral("frmComm"));
    setWindowTitle(QStringLiteral("Comm Port Settings"));
    setModal(true);

    lstPort_->setObjectName(QStringLiteral("lstPort"));
    txtPort_->setObjectName(QStringLiteral("txtPort"));
    txtPort_->setPlaceholderText(QStringLiteral("/dev/ttyUSB0, host:port or Simulator"));
    cboBaud_->setObjectName(QStringLiteral("cboBaud"));
    cboParity_->setObjectName(QStringLiteral("cboParity"));
    auto* cmdDone = new QPushButton(QStringLiteral("&Done"), this);
    cmdDone->setObjectName(QStringLiteral("cmdDone"));
    cmdDone->setDefault(true);
    auto* cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    const auto settings = LoadCommSettings();
    txtPort_->setText(qs(portNameOf(settings)));
    for (const auto& entry : baudEntries(settings.CommBaudRate)) {
        cboBaud_->addItem(qs(entry));
        if (baudOfEntry(entry) == baudOfEntry(settings.CommBaudRate))
            cboBaud_->setCurrentIndex(cboBaud_->count() - 1);
    }
    for (const auto& entry : parityEntries())
        cboParity_->addItem(qs(entry));
    cboParity_->setCurrentIndex(parityEntryIndex(settings.CommParity));

    auto* lblPort = new QLabel(QStringLiteral("Port"), this);
    lblPort->setObjectName(QStringLiteral("lblPort"));
    lblPort->setBuddy(lstPort_);
    auto* form = new QFormLayout;
    auto addRow = [&](const char* name, const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(QString::fromLatin1(name));
        label->setBuddy(field);
        form->addRow(label, field);
    };
    addRow("lblPortName", QStringLiteral("Port &name"), txtPort_);
    addRow("lblBaud", QStringLiteral("&Baud Rate"), cboBaud_);
    addRow("lblParity", QStringLiteral("&Parity"), cboParity_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdDone);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblPort);
    layout->addWidget(lstPort_);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setMinimumWidth(380);

    connect(lstPort_, &QListWidget::currentTextChanged, this, [this](const QString& entry) {
        if (!entry.isEmpty())
            txtPort_->setText(qs(orvane::link::portNameOfEntry(entry.toStdString())));
    });
    connect(lstPort_, &QListWidget::itemDoubleClicked, this, &frmComm::done_clicked);
    connect(txtPort_, &QLineEdit::textEdited, this, &frmComm::selectListedPort);
    connect(cmdDone, &QPushButton::clicked, this, &frmComm::done_clicked);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmComm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    fill_port_list();
}

void frmComm::fill_port_list()
{
    const QString chosen = txtPort_->text();
    lstPort_->hide();
    lstPort_->clear();
    for (const auto& device : portsToList(chosen))
        lstPort_->addItem(qs(orvane::link::portListEntry(device, orvane::link::serialPortStatus(device).state)));
    lstPort_->addItem(qs(std::string(orvane::link::kSimulatorPortName)));
    selectListedPort(chosen);
    lstPort_->show();
}

// Selects the entry of the port named in the text box, or none when it is not
// listed: the typed name stays the choice, so a port that is missing today is
// not silently replaced by another one.
void frmComm::selectListedPort(const QString& portName)
{
    const QSignalBlocker keepTypedText(lstPort_);
    const std::string wanted = canonicalPortName(portName.toStdString());
    lstPort_->setCurrentRow(-1);
    for (int row = 0; row < lstPort_->count(); ++row) {
        if (orvane::link::portNameOfEntry(lstPort_->item(row)->text().toStdString()) == wanted) {
            lstPort_->setCurrentRow(row);
            break;
        }
    }
}

void frmComm::done_clicked()
{
    const std::string portName = txtPort_->text().toStdString();
    if (const auto error = orvane::link::portNameError(portName)) {
        showMessage(this, qs(*error), Buttons::Ok, Icon::Exclamation);
        txtPort_->setFocus();
        txtPort_->selectAll();
        return;
    }
    // A port that cannot be opened today may be the right one tomorrow (an adapter not
    // plugged in, a group not joined yet): the user hears why, and may keep it.
    if (const auto problem = orvane::link::portProblem(portName)) {
        if (showMessage(this, qs(*problem + "\r\rKeep this port anyway?"), Buttons::YesNo, Icon::Exclamation) != Answer::Yes) {
            txtPort_->setFocus();
            txtPort_->selectAll();
            return;
        }
    }
    auto settings = withPort(LoadCommSettings(), portName);
    settings.CommBaudRate = baudOfEntry(cboBaud_->currentText().toStdString());
    settings.CommParity = parityOfEntry(cboParity_->currentText().toStdString());
    SaveCommSettings(settings);
    accept();
}

} // namespace brevant::linkwin
