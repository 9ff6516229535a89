#pragma once

// A transmitter without a radio, for the tests: it keeps the contract of the
// real one (every file checked before keying, finished() once per accepted
// sequence, from the event loop) and records what it was asked to do.

#include "audio/transmitter.h"

#include <QDir>
#include <QFile>
#include <QTimer>

class RecordingTransmitter : public Transmitter
{
public:
    explicit RecordingTransmitter(QObject *parent = nullptr) : Transmitter(nullptr, parent)
    {
        m_end.setSingleShot(true);
        connect(&m_end, &QTimer::timeout, this, [this] {
            release();
            emit finished(finishOk, finishError);
        });
    }

    // What the tests set.
    int playMs = 30;             // how long a sequence "plays"; < 0: until finishNow()
    bool finishOk = true;
    QString finishError;
    QString portWarningText;     // emitted while keying when set
    QString maxTimeText;         // emitted while playing when set

    // What the tests read.
    QList<QStringList> played;   // accepted sequences, in order
    QList<QStringList> refused;
    QStringList log;             // "RTS on", "RTS off", "held <file>", "held stop", "stop"
    int stopCalls = 0;

    bool startSequence(const QStringList &files, QString *error) override
    {
        if (m_keyed) {
            if (error)
                *error = QStringLiteral("Émission déjà en cours.");
            refused << files;
            return false;
        }
        for (const QString &f : files) {
            if (!QFile::exists(f)) {
                if (error)
                    *error = QStringLiteral("Fichier de tonalité introuvable : %1").arg(f);
                refused << files;
                return false;
            }
        }
        played << files;
        key();
        if (!portWarningText.isEmpty())
            QTimer::singleShot(0, this, [this] { emit portWarning(portWarningText); });
        if (!maxTimeText.isEmpty())
            QTimer::singleShot(0, this, [this] { emit maxTransmitTimeReached(maxTimeText); });
        if (playMs >= 0)
            m_end.start(playMs);
        return true;
    }

    void finishNow()
    {
        if (m_keyed && !m_held) {
            m_end.stop();
            release();
            emit finished(finishOk, finishError);
        }
    }

    bool startHeld(const QString &file, QString *error) override
    {
        if (!QFile::exists(file)) {
            if (error)
                *error = QStringLiteral("Fichier de tonalité introuvable : %1").arg(file);
            log << QStringLiteral("held refused ") + file;
            return false;
        }
        log << QStringLiteral("held ") + file;
        m_held = true;
        key();
        return true;
    }

    void stopHeld() override
    {
        log << QStringLiteral("held stop");
        m_held = false;
        release();
    }

    void stop() override
    {
        ++stopCalls;
        log << QStringLiteral("stop");
        m_end.stop();
        m_held = false;
        release();
    }

    bool isBusy() const override { return m_keyed; }
    bool isKeyed() const override { return m_keyed; }

private:
    void key()
    {
        if (!m_keyed) {
            log << QStringLiteral("RTS on");
            m_keyed = true;
            emit keyedChanged(true);
        }
    }
    void release()
    {
        if (m_keyed) {
            log << QStringLiteral("RTS off");
            m_keyed = false;
            emit keyedChanged(false);
        }
    }

    QTimer m_end;
    bool m_keyed = false;
    bool m_held = false;
};

// Tone files of the given keys in the working folder (contents do not matter
// to the double).
inline void makeToneFiles(const QString &folder, const QString &prefix, const QString &keys)
{
    QDir().mkpath(folder);
    for (QChar k : keys) {
        QFile f(folder + QLatin1Char('/') + prefix + k + QStringLiteral(".wav"));
        if (f.open(QIODevice::WriteOnly))
            f.write("RIFF");
    }
}
