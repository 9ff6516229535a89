#include "sendmachine.h"

#include "audio/journalrecorder.h"
#include "audio/tonefiles.h"
#include "audio/transmitter.h"

SendMachine::SendMachine(Transmitter *transmitter, QObject *parent) : QObject(parent), m_tx(transmitter)
{
}

SendMachine::~SendMachine()
{
    abort();
}

QString SendMachine::question(int n)
{
    const QString number = n < 0 ? QString::number(n) : QLatin1Char(' ') + QString::number(n);
    return QStringLiteral("Avez vous reçu le retour vaw ") + number + QStringLiteral(" ?");
}

QString SendMachine::sequenceField(int k)
{
    return k == 0 ? QStringLiteral("wav") : QStringLiteral("wav%1").arg(k);
}

bool SendMachine::start(const Command &command)
{
    if (m_state != State::Idle || !m_tx)
        return false;
    m_command = command;
    m_n = 0;
    if (m_command.readError[0]) {
        fail(QStringLiteral("Le champ %1 de la commande est illisible : rien n'a été émis.").arg(sequenceField(0)));
        return false;
    }
    m_sequence = m_command.wav[0];
    m_connections << connect(m_tx, &Transmitter::finished, this, &SendMachine::onFinished)
                  << connect(m_tx, &Transmitter::portWarning, this, &SendMachine::portWarning)
                  << connect(m_tx, &Transmitter::maxTransmitTimeReached, this,
                             &SendMachine::maxTransmitTimeReached);
    play();
    return m_state == State::Playing;
}

void SendMachine::play()
{
    setPlaying(true);
    if (JournalRecorder *journal = JournalRecorder::of(m_tx)) {
        JournalEntry e;
        e.origin = JournalEntry::Origin::Command;
        e.repeaterNumber = m_repeater.numero;
        e.repeaterName = m_repeater.nom;
        e.repeaterKey = m_repeater.dtmf;
        e.repeaterFreq = m_repeater.freq;
        e.commandTx = m_command.tx;
        e.commandRx = m_command.rx;
        e.sequence = m_sequence;
        journal->prepare(e);
    }
    QString error;
    if (!m_tx->startSequence(commandToneFiles(m_sequence), &error)) {
        if (error.isEmpty())
            error = QStringLiteral("L'émission n'a pas pu commencer.");
        fail(error);
    }
}

void SendMachine::onFinished(bool ok, const QString &error)
{
    if (m_state != State::Playing)
        return;
    // Nothing went on the air, or it was cut: no answer to wait for.
    if (!ok && m_tx->keyingFailed()) {
        fail(error);
        return;
    }
    setPlaying(false);
    m_state = State::Asking;
    emit askConfirmation(m_n, ok ? QString() : error);
}

void SendMachine::answer(Answer a)
{
    if (m_state != State::Asking)
        return;
    if (JournalRecorder *journal = JournalRecorder::of(m_tx))
        journal->answer(a == Answer::Yes  ? JournalEntry::Answer::Yes
                        : a == Answer::No ? JournalEntry::Answer::No
                                          : JournalEntry::Answer::Cancel);
    if (a == Answer::Cancel) {
        toIdle();
        emit cancelled();
        return;
    }
    if (a == Answer::Yes)
        ++m_n;
    if (m_n >= 5) {
        toIdle();
        emit completed(m_command);
        return;
    }
    if (m_command.readError[m_n]) {
        fail(QStringLiteral("Le champ %1 de la commande est illisible : la commande est abandonnée.")
                 .arg(sequenceField(m_n)));
        return;
    }
    m_sequence = m_command.wav[m_n];
    if (sequenceAbsent(m_sequence)) {
        toIdle();
        emit completed(m_command);
        return;
    }
    play();
}

void SendMachine::abort()
{
    if (m_state == State::Idle)
        return;
    const bool wasPlaying = m_state == State::Playing;
    if (!wasPlaying)
        if (JournalRecorder *journal = JournalRecorder::of(m_tx))
            journal->leftUnanswered();
    toIdle();
    if (wasPlaying && m_tx)
        m_tx->stop();
}

void SendMachine::fail(const QString &message)
{
    toIdle();
    if (m_tx && (m_tx->isKeyed() || m_tx->isBusy()))
        m_tx->stop();
    emit failed(message);
}

void SendMachine::toIdle()
{
    // Disconnect first so that a stop() cannot call back into a finished exchange.
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    if (m_state == State::Playing)
        setPlaying(false);
    m_state = State::Idle;
}

void SendMachine::setPlaying(bool playing)
{
    if (playing)
        m_state = State::Playing;
    emit playingChanged(playing);
}
