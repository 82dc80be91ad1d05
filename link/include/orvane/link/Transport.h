#pragma once

// A byte pipe to the controller: a serial port, or a TCP serial device server.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <string>

class QSerialPort;

namespace orvane::link {

namespace detail { class FoundSettings; }

class Transport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool open() = 0;           // false: see errorText()
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual qint64 write(const QByteArray &bytes) = 0;
    virtual QByteArray readAll() = 0;
    // At most maxBytes of what has arrived.
    virtual QByteArray read(qint64 maxBytes) = 0;
    virtual QString errorText() const = 0;
    // After a failed open: why, and what the user can do about it, as the end of a
    // sentence that starts with the port's name and "not available: ".
    virtual std::string whyNotOpened() const { return errorText().toStdString() + ". Change the setting to another port."; }
    // Drops every byte received and not yet read, including bytes still queued
    // below this object (in the driver or the socket), so a reply that arrives
    // late for an earlier frame is not taken for the next one. Returns how many
    // bytes were dropped. Emits no bytesArrived meanwhile.
    virtual qint64 discardInput() { return readAll().size(); }

    // What a transport buffers of the input at most; a line that sends more
    // waits in the driver (or is dropped there) until it is read.
    static constexpr qint64 kReadBufferBytes = 4096;
signals:
    void bytesArrived();
    // The device or the connection went away (a serial adapter unplugged, the device
    // server closed the connection): isOpen() is false from now on.
    void closed();
};

// Serial port by device name: baud, parity ("O", "E", "N"), 8 data bits, 1 stop bit,
// no flow control.
class SerialTransport : public Transport {
    Q_OBJECT
public:
    SerialTransport(const QString &portName, int baud, const QString &parity, QObject *parent = nullptr);
    ~SerialTransport() override;
    bool open() override;
    void close() override;
    bool isOpen() const override;
    qint64 write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    QByteArray read(qint64 maxBytes) override;
    QString errorText() const override;
    std::string whyNotOpened() const override;
    qint64 discardInput() override;
    // QSerialPort's error of the last open, for telling why it failed.
    int openError() const;
private:
    bool driverHoldsNothing() const;
    void onError();
    QSerialPort *port_;
    QString name_;                   // as given; the device opened is the one it leads to
    std::unique_ptr<detail::FoundSettings> found_;   // while the port is open
};

} // namespace orvane::link

class QTcpSocket;

namespace orvane::link {

// A serial device server reached as "host:port"; line settings are the server's.
class TcpTransport : public Transport {
    Q_OBJECT
public:
    explicit TcpTransport(const QString &hostAndPort, QObject *parent = nullptr);
    ~TcpTransport() override;
    bool open() override;              // waits up to 2 s for the connection
    void close() override;
    bool isOpen() const override;
    qint64 write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    QByteArray read(qint64 maxBytes) override;
    QString errorText() const override;
    qint64 discardInput() override;
private:
    QString host_;
    quint16 port_ = 0;
    QTcpSocket *socket_;
};

// "host:port" (not a device path) selects TcpTransport.
bool isTcpPortName(const QString &name);

} // namespace orvane::link
