#include "orvane/link/Transport.h"

#include <QSignalBlocker>
#include <QTcpSocket>

namespace orvane::link {

bool isTcpPortName(const QString &name)
{
    return !name.startsWith('/') && name.count(':') == 1;
}

TcpTransport::TcpTransport(const QString &hostAndPort, QObject *parent)
    : Transport(parent), socket_(new QTcpSocket(this))
{
    const auto colon = hostAndPort.lastIndexOf(':');
    host_ = hostAndPort.left(colon);
    port_ = hostAndPort.mid(colon + 1).toUShort();
    socket_->setReadBufferSize(kReadBufferBytes);
    connect(socket_, &QTcpSocket::readyRead, this, &Transport::bytesArrived);
    // The device server closed the connection (or it broke).
    connect(socket_, &QTcpSocket::disconnected, this, &Transport::closed);
}

TcpTransport::~TcpTransport() = default;

bool TcpTransport::open()
{
    if (host_.isEmpty() || port_ == 0)
        return false;
    socket_->connectToHost(host_, port_);
    return socket_->waitForConnected(2000);
}

void TcpTransport::close() { socket_->abort(); }
bool TcpTransport::isOpen() const { return socket_->state() == QAbstractSocket::ConnectedState; }

qint64 TcpTransport::write(const QByteArray &bytes)
{
    const qint64 written = socket_->write(bytes);
    socket_->flush();
    return written;
}

QByteArray TcpTransport::readAll() { return socket_->readAll(); }
QByteArray TcpTransport::read(qint64 maxBytes) { return socket_->read(maxBytes); }

qint64 TcpTransport::discardInput()
{
    // Bounded: a server that never stops sending must not keep this loop going.
    const QSignalBlocker silent(socket_);
    qint64 dropped = socket_->readAll().size();
    while (dropped < kReadBufferBytes * 4 && socket_->waitForReadyRead(0))
        dropped += socket_->readAll().size();
    return dropped;
}
QString TcpTransport::errorText() const { return socket_->errorString(); }

} // namespace orvane::link
