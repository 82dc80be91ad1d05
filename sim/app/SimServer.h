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

#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <termios.h>

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
    void onPtyClosed();
    bool clientHoldsThePty() const;
    void freeLine();
    void onNewClient();
    void onBytes(const QByteArray &bytes);
    void handle(const ReceivedFrame &frame);
    void dispatch(int number, const std::string &tag, const Bytes &reply);
    void sendHeldFor(int number);
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
    int generation_ = 0; // changes with each client: late replies go to the client that asked
    std::map<int, std::vector<std::pair<std::string, Bytes>>> held_; // frame -> replies (log tag, bytes) sent when it comes
    std::mt19937 noise_{20240611};    // the same noise on every run
    QString error_;

    int master_ = -1;
    int slave_ = -1; // held open so a client closing the port hangs nothing up
    termios freshLine_{};  // the pty's settings before any client
    std::unique_ptr<QSocketNotifier> masterNotifier_;
    int closes_ = -1;   // inotify: the pty's closes
    std::unique_ptr<QSocketNotifier> closesNotifier_;
    QString slaveName_;

    std::unique_ptr<QTcpServer> server_;
    QPointer<QTcpSocket> client_;
};

} // namespace orvane::sim
