#pragma once

#include "ptt.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

// The transmitter's PTT through a rigctld daemon, which reaches the rig by
// CAT: "T 1" keys, "T 0" releases, each answered "RPRT 0" when done. One
// TCP connection, made on the first key and kept; every wait (the connection,
// each answer) lasts one second at most, so a dead daemon never freezes the
// program, and while keyed lostReason() watches the daemon without waiting.
// The socket is a plain descriptor: the signal handlers write "T 0" on it.
class RigctldPtt : public Ptt
{
public:
    static constexpr int DefaultPort = 4532;
    static constexpr int TimeoutMs = 1000;
    static constexpr int SilenceMs = 3000; // while keyed, without waiting

    explicit RigctldPtt(const QString &host = QStringLiteral("127.0.0.1"), int port = DefaultPort);
    ~RigctldPtt() override;
    Q_DISABLE_COPY_MOVE(RigctldPtt)

    // The daemon's address; a change drops the connection (released first).
    void configure(const QString &host, int port = DefaultPort);
    QString host() const { return m_host; }
    int port() const { return m_port; }
    QString address() const;

    // Connects and sends "T 0": a daemon that does not drive the rig's PTT
    // (started without -P) refuses it, before anything is played.
    bool prepare(QString *error) override;
    QString description() const override;
    bool key(QString *error) override;
    void release() override;
    bool isKeyed() const override { return m_keyed; }
    QString lostReason() const override;

    // Sends one command line (no newline) and returns the daemon's one-line
    // answer, connecting first when needed; false with a French text.
    bool ask(const QByteArray &command, QByteArray *answer, QString *error);

private:
    bool connectToDaemon(QString *error);
    // One command out, one answer line back: 0, or an errno value.
    int exchange(const QByteArray &command, QByteArray *answer);
    bool usable() const;
    bool answering() const;
    void disconnect();
    QString failure(const QString &why) const;
    QString refusal(const QByteArray &answer) const;

    QString m_host;
    int m_port;
    int m_fd = -1;
    bool m_keyed = false;
    bool m_unanswered = false; // connected, no answer yet
    mutable int m_pending = 0;  // commands sent, answers not read yet
    mutable QDeadlineTimer m_asked;
    mutable QString m_lost;
};
