#pragma once
// What the port window and Version ID tests share: the messages shown at the seam,
// a fresh settings store per test, and controllers played on a pty or a TCP socket.

#include "ui/MessageSeam.h"

#include "orvane/testing/PtyController.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTcpServer>


namespace commtest {

// Every message box shown since the last clearMessages(), in order.
QList<brevant::MessageRequest>& shownMessages();
QStringList shownTexts();
// Forgets the messages shown; the boxes are answered OK (or Yes) again.
void clearMessages();
// The button every box is answered with from now on.
void answerWith(brevant::Answer answer);

// Removes every stored setting, so each test starts as at a first start.
void clearSettings();

// The controller's identification record as the test controllers answer it.
inline const QByteArray kIdentification = "ORVANE DCX-7 ROM 3.04   ";

// Answers a poll with 0x10 and any other frame with the identification record.
QByteArray controllerReply(const QByteArray& request);

// The controller end of a pseudo-terminal, answering as controllerReply does.
class PtyController : public orvane::testing::PtyController {
public:
    PtyController()
    {
        respond = [](int, const QByteArray& request) { return controllerReply(request); };
    }
    QString slave() const { return slaveName(); }
};

// A serial device server on 127.0.0.1 with the controller behind it.
class TcpController {
public:
    TcpController();
    QString hostAndPort() const;

private:
    QTcpServer server_;
};

} // namespace commtest
