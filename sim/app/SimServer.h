#pragma once

// Serves one simulated controller on a pseudo-terminal or on a TCP port.

#include "orvane/sim/Controller.h"
#include "orvane/sim/FrameReader.h"
#include "orvane/sim/Options.h"
#include "orvane/sim/Pacer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>

class QSocketNotifier;
class QTcpServer;
class QTcpSocket;

namespace orvane::sim {

class SimServer : public QObject {
    Q_OBJECT
public:
    explicit SimServer(Options options);
    ~SimServer() override;

    // Opens the pty or the TCP port; returns the line to announce ("PTY ..."/"TCP ..."),
    // or an empty text with errorText() set.
    QString start();
    QString errorText() const { return error_; }
    void saveMemory();

private:
    bool openPty();
    bool openTcp();
    void onPtyReadable();
    void onNewClient();
    void onBytes(const QByteArray &bytes);
    void handle(const ReceivedFrame &frame);
    void send(const Bytes &reply, int generation);
    void flushDue();
    void writeToLine(const Bytes &bytes);
    void log(const std::string &line) const;
    int64_t nowMs() const { return clock_.elapsed(); }

    Options options_;
    Controller controller_;
    FrameReader reader_;
    Pacer pacer_;
    QTimer pacingTimer_;
    QElapsedTimer clock_;
    int framesReceived_ = 0;
    int generation_ = 0; // changes with each TCP client: late replies go to the client that asked
    QString error_;

    int master_ = -1;
    int slave_ = -1; // held open so a client closing the port hangs nothing up
    std::unique_ptr<QSocketNotifier> masterNotifier_;
    QString slaveName_;

    std::unique_ptr<QTcpServer> server_;
    QPointer<QTcpSocket> client_;
};

} // namespace orvane::sim
