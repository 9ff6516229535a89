#pragma once
// A real rigctld on the dummy rig, for the tests that key through it.
#include "ptt/rigctldptt.h"

#include <QProcess>
#include <QTcpServer>
#include <QtTest>

inline int freePort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost) ? server.serverPort() : 0;
}

// The rig's PTT as a second client of the daemon sees it.
inline QByteArray pttState(int port)
{
    QByteArray answer;
    return RigctldPtt("127.0.0.1", port).ask("t", &answer, nullptr) ? answer : "none";
}

// The dummy rig; its PTT can be set only with "-P RIG".
struct Daemon
{
    QProcess process;
    const int port = freePort();
    explicit Daemon(const QStringList &ptt = {"-P", "RIG"})
    {
        process.start("rigctld", QStringList{"-m", "1", "-T", "127.0.0.1", "-t", QString::number(port)} + ptt);
        for (QDeadlineTimer end(5000); pttState(port) == "none" && !end.hasExpired();)
            QTest::qWait(20);
    }
    ~Daemon() { process.kill(), process.waitForFinished(); }
};
