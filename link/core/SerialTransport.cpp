#include "orvane/link/Transport.h"

#include <QSerialPort>
#include <QSignalBlocker>

#include <sys/ioctl.h>

namespace orvane::link {

SerialTransport::SerialTransport(const QString &portName, int baud, const QString &parity, QObject *parent)
    : Transport(parent), port_(new QSerialPort(this))
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
}

SerialTransport::~SerialTransport() = default;

bool SerialTransport::open()
{
    if (!port_->open(QIODevice::ReadWrite))
        return false;
    // Bytes the line received before this open belong to nobody's request.
    discardInput();
    return true;
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
void SerialTransport::close() { port_->close(); }
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

} // namespace orvane::link
