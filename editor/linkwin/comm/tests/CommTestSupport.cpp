#include "CommTestSupport.h"

#include "ui/SettingsStore.h"

#include <QApplication>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>


namespace commtest {

QList<brevant::MessageRequest>& shownMessages()
{
    static QList<brevant::MessageRequest> messages;
    return messages;
}

QStringList shownTexts()
{
    QStringList texts;
    for (const auto& message : shownMessages())
        texts << message.text;
    return texts;
}

namespace {
brevant::Answer& answer()
{
    static brevant::Answer chosen = brevant::Answer::Ok;
    return chosen;
}
} // namespace

void clearMessages()
{
    shownMessages().clear();
    answer() = brevant::Answer::Ok;
}

void answerWith(brevant::Answer chosen) { answer() = chosen; }

void clearSettings() { brevant::openSettingsStore()->clear(); }

QByteArray controllerReply(const QByteArray& request)
{
    if (request.startsWith('\x01'))
        return orvane::testing::withCheckBytes(QByteArray::fromHex("100000"));
    return orvane::testing::withCheckBytes(QByteArray(5, '\0') + kIdentification);
}

TcpController::TcpController()
{
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
        QTcpSocket* peer = server_.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, peer, [peer] { peer->write(controllerReply(peer->readAll())); });
        QObject::connect(peer, &QTcpSocket::disconnected, peer, &QObject::deleteLater);
    });
}

QString TcpController::hostAndPort() const { return "127.0.0.1:" + QString::number(server_.serverPort()); }

} // namespace commtest

// Settings and simulator files go to folders of this run only.
int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
    QApplication app(argc, argv);
    brevant::setMessageHandler([](const brevant::MessageRequest& request) {
        commtest::shownMessages() << request;
        return commtest::answer();
    });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
