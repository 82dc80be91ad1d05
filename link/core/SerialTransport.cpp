#include "orvane/link/Transport.h"

#include "FoundSettings.h"
#include "orvane/link/PortList.h"
#include "orvane/link/PortStatus.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSignalBlocker>

#include <sys/ioctl.h>
#include <termios.h>

namespace orvane::link {

SerialTransport::SerialTransport(const QString &portName, int baud, const QString &parity, QObject *parent)
    : Transport(parent), port_(new QSerialPort(this)), name_(portName)
{
    // Configure before opening so the line never runs with stale settings.
    port_->setPortName(portName);
    port_->setBaudRate(baud);
    port_->setParity(parity == "E" ? QSerialPort::EvenParity
                     : parity == "N" ? QSerialPort::NoParity : QSerialPort::OddParity);
    port_->setDataBits(QSerialPort::Data8);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    port_->setReadBufferSize(kReadBufferBytes);
    connect(port_, &QSerialPort::readyRead, this, &Transport::bytesArrived);
    connect(port_, &QSerialPort::errorOccurred, this, &SerialTransport::onError);
}

SerialTransport::~SerialTransport() { close(); }

namespace {

// Raw 8-bit bytes both ways, whatever an earlier user of the device left set: nothing
// translated, echoed, expanded or taken for flow control or a signal. The port's open
// sets the rate, the parity (and how the driver treats parity errors), 8 data bits, one
// stop bit and no flow control; everything else is cleared here.
void clearEverythingElse(int fd)
{
    termios line{};
    if (::tcgetattr(fd, &line) != 0)
        return;
    line.c_iflag &= IGNPAR | INPCK | PARMRK;
    line.c_oflag = 0;
    line.c_lflag = 0;
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    ::tcsetattr(fd, TCSANOW, &line);
}

} // namespace

bool SerialTransport::open()
{
    // As the port resolves a name, and through a link (a /dev/serial/by-id name) to the
    // device itself, so that its lock is the one every other name of it takes too.
    const QString given = name_.startsWith(QLatin1Char('/')) ? name_ : QStringLiteral("/dev/") + name_;
    const QString real = QFileInfo(given).canonicalFilePath();
    const QString device = real.isEmpty() ? given : real;
    port_->setPortName(device);
    found_ = std::make_unique<detail::FoundSettings>(QFile::encodeName(device));
    bool opened = port_->open(QIODevice::ReadWrite);
    if (!opened && port_->error() == QSerialPort::UnsupportedOperationError && found_->known()) {
        // None of the port's settings changed anything the device takes (a pseudo-terminal
        // left as a killed run set it): once more from a base they all change.
        found_->setBase();
        opened = port_->open(QIODevice::ReadWrite);
    }
    if (!opened) {
        found_.reset();
        return false;
    }
    found_->guardAgainstSignals();
    clearEverythingElse(static_cast<int>(port_->handle()));
    // Bytes the line received before this open belong to nobody's request.
    discardInput();
    return true;
}

void SerialTransport::onError()
{
    // The device went away (an adapter unplugged, a pseudo-terminal's other end closed):
    // reads fail from now on, and the port would report it again on every turn of the
    // event loop.
    const auto error = port_->error();
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !port_->isOpen())
        return;
    close();
    emit closed();
}

qint64 SerialTransport::discardInput()
{
    // Asked before every attempt, and nearly always nothing is there: one question to the
    // driver then, instead of a read, a wait and a flush.
    if (port_->bytesAvailable() == 0 && driverHoldsNothing())
        return 0;
    // What the driver holds is fetched first so that it is counted too; the blocker
    // keeps readyRead from reaching anyone who would collect what is being dropped.
    const QSignalBlocker silent(port_);
    qint64 dropped = port_->read(port_->bytesAvailable()).size();
    while (port_->waitForReadyRead(0) && dropped < kReadBufferBytes * 4)
        dropped += port_->read(port_->bytesAvailable()).size();
    port_->clear(QSerialPort::Input);
    return dropped;
}

bool SerialTransport::driverHoldsNothing() const
{
    int pending = 0;
    return ::ioctl(static_cast<int>(port_->handle()), FIONREAD, &pending) == 0 && pending == 0;
}
void SerialTransport::close()
{
    if (!port_->isOpen())
        return;
    port_->close();
    found_.reset();   // after the port's close, which puts back the settings it opened on
}
bool SerialTransport::isOpen() const { return port_->isOpen(); }

qint64 SerialTransport::write(const QByteArray &bytes)
{
    const qint64 written = port_->write(bytes);
    port_->flush();
    return written;
}

// Only what is there: QIODevice::readAll() sizes its result for 64 KiB first, and freeing
// that on every read made the heap shrink and grow again with each exchange.
QByteArray SerialTransport::readAll() { return port_->read(port_->bytesAvailable()); }
QByteArray SerialTransport::read(qint64 maxBytes) { return port_->read(maxBytes); }
QString SerialTransport::errorText() const { return port_->errorString(); }

int SerialTransport::openError() const { return port_->error(); }

std::string SerialTransport::whyNotOpened() const
{
    return portProblemText(orvane::link::whyNotOpened(name_.toStdString(), openError(), errorText().toStdString()),
                           systemPortNames());
}

} // namespace orvane::link
