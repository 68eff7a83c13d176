#pragma once

// An update server on 127.0.0.1 that takes requests and holds them unanswered
// until the test lets it answer: the start-up task waits on it for as long as the
// test needs (within the task's own time limit). It lives on the thread that makes
// it, which must process events while requests come in.

#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

class HeldHttpServer
{
public:
    HeldHttpServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { read(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    int requestCount() const { return m_requests; }

    // Processes events until a request has come, at most `ms`.
    bool waitForRequest(int ms = 30000)
    {
        return QTest::qWaitFor([this] { return m_requests > 0; }, ms);
    }

    // True while a request is held and its client still waits for the answer.
    bool clientWaits() const
    {
        for (const QPointer<QTcpSocket> &socket : m_held) {
            if (socket && socket->state() == QAbstractSocket::ConnectedState)
                return true;
        }
        return false;
    }

    // Sends `raw` to every held request and to every later one, then closes them.
    void answerWith(const QByteArray &raw)
    {
        m_answer = raw;
        m_answering = true;
        for (const QPointer<QTcpSocket> &socket : std::as_const(m_held)) {
            if (socket)
                send(socket);
        }
        m_held.clear();
    }

private:
    void read(QTcpSocket *socket)
    {
        QByteArray head = socket->property("head").toByteArray() + socket->readAll();
        socket->setProperty("head", head);
        if (!head.contains("\r\n\r\n") || socket->property("taken").toBool())
            return;
        socket->setProperty("taken", true);
        ++m_requests;
        if (m_answering)
            send(socket);
        else
            m_held << QPointer<QTcpSocket>(socket);
    }

    void send(QTcpSocket *socket)
    {
        socket->write(m_answer);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_held;
    QByteArray m_answer;
    bool m_answering = false;
    int m_requests = 0;
};
