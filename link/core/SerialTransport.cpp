#include "orvane/link/Transport.h"

#include <QSerialPort>

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

void SerialTransport::discardInput() { port_->clear(QSerialPort::Input); }
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
QString SerialTransport::errorText() const { return port_->errorString(); }

} // namespace orvane::link
