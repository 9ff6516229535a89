#pragma once

#include "core/repeater.h"

#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QVector>

class Transmitter;

// The exchange of one command, as states on the event loop: each sequence is
// played with the transmitter keyed, then the operator is asked whether the
// repeater answered; Yes moves on, No plays the same sequence again, Cancel
// stops. Nothing here waits: the transmitter's finished() and answer() move
// the machine on.
class SendMachine : public QObject
{
    Q_OBJECT
public:
    enum class State { Idle, Playing, Asking };
    enum class Answer { Yes, No, Cancel };

    explicit SendMachine(Transmitter *transmitter, QObject *parent = nullptr);
    ~SendMachine() override;

    // Starts with the command's first sequence. False when an exchange runs
    // already or the transmitter refused (failed() then says why).
    bool start(const Command &command);
    void answer(Answer a);
    // Stops the tones and releases the transmitter; the command is dropped.
    void abort();
    // The repeater the commands are sent to, for the station log.
    void setRepeater(const Repeater &repeater) { m_repeater = repeater; }

    State state() const { return m_state; }
    bool isPlaying() const { return m_state == State::Playing; }
    bool isActive() const { return m_state != State::Idle; }
    int confirmed() const { return m_n; }

    // "Avez vous reçu le retour vaw  0 ?": the count comes with a blank for its sign.
    static QString question(int n);
    // Field name of sequence k (wav, wav1 ... wav4).
    static QString sequenceField(int k);

signals:
    void playingChanged(bool playing);
    // The sequence has been played; `playError` is set when the transmission
    // did not end well.
    void askConfirmation(int n, const QString &playError);
    void completed(const Command &command);
    void failed(const QString &message);
    void cancelled();
    void portWarning(const QString &text);
    void maxTransmitTimeReached(const QString &text);

private:
    void play();
    void onFinished(bool ok, const QString &error);
    void fail(const QString &message);
    void toIdle();
    void setPlaying(bool playing);

    Transmitter *m_tx;
    State m_state = State::Idle;
    Command m_command;
    int m_n = 0;
    QString m_sequence;
    Repeater m_repeater;
    QVector<QMetaObject::Connection> m_connections;
};
