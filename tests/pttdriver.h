#pragma once

// Runs tests/ptt_driver with the RTS shim preloaded, on a pty bound to Com1 in
// private settings; both print "<CLOCK_MONOTONIC seconds> <event>" lines.

#include <QSerialPort>
#include <QtTest>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

struct TimedLine { double t = 0; QString text; };

class PttDriver
{
public:
    PttDriver()
    {
        char name[256] = {};
        int slave = -1;
        // Only the master is kept, not inherited: the driver holds the slave's last
        // descriptor, as on a real port, and closing the master unplugs it.
        if (::openpty(&m_master, &slave, name, nullptr, nullptr) == 0) {
            m_pty = QString::fromLocal8Bit(name);
            ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
            ::close(slave);
        }
    }
    ~PttDriver() { finish(), unplug(); }

    bool ready() const { return !m_pty.isEmpty() && m_dir.isValid(); }
    QString pty() const { return m_pty; }
    // Per-user settings of the driver (Ports/Com1 is the pty unless changed).
    void setSetting(const QString &key, const QVariant &value) { m_settings[key] = value; }

    void start(const QStringList &args, const QProcessEnvironment &base, const QString &workingDir)
    {
        QSettings s(m_dir.filePath("config/Pontavel/Pontavel.conf"), QSettings::IniFormat);
        s.setValue("Ports/Com1", m_pty);
        for (auto it = m_settings.cbegin(); it != m_settings.cend(); ++it)
            s.setValue(it.key(), it.value());
        s.sync();
        QProcessEnvironment env = base;
        env.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
        env.insert("PONTAVEL_RTS_LOG", m_dir.filePath("rts.log"));
        env.insert("LD_PRELOAD", qEnvironmentVariable("PONTAVEL_RTS_SHIM"));
        m_proc.setProcessEnvironment(env);
        m_proc.setWorkingDirectory(workingDir);
        m_proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_proc.start(qEnvironmentVariable("PONTAVEL_PTT_DRIVER"), args);
        QVERIFY2(m_proc.waitForStarted(5000), qPrintable(m_proc.errorString()));
    }

    // Waits for the driver to end; false on time-out (it is then killed).
    bool finish()
    {
        if (m_proc.state() == QProcess::NotRunning || m_proc.waitForFinished(15000))
            return true;
        m_proc.kill();
        m_proc.waitForFinished(2000);
        return false;
    }

    bool waitFor(const QString &prefix)
    {
        for (QDeadlineTimer end(10000); find(output(), prefix).text.isEmpty(); m_proc.waitForReadyRead(50))
            if (end.hasExpired() || m_proc.state() == QProcess::NotRunning)
                return !find(output(), prefix).text.isEmpty();
        return true;
    }

    QProcess &process() { return m_proc; }
    int exitCode() const { return m_proc.exitCode(); }
    // The adapter pulled out: the pty's other side goes away.
    void unplug() { m_master = m_master >= 0 ? ::close(m_master), -1 : -1; }

    QList<TimedLine> output() { return parse(m_out += m_proc.readAllStandardOutput()); }
    QList<TimedLine> rts() const
    {
        QFile f(m_dir.filePath("rts.log"));
        return f.open(QIODevice::ReadOnly) ? parse(f.readAll()) : QList<TimedLine>{};
    }
    // The first line starting with prefix, of the output, else of the shim's log.
    TimedLine line(const QString &prefix)
    {
        const TimedLine l = find(output(), prefix);
        return l.text.isEmpty() ? find(rts(), prefix) : l;
    }
    QString all() { return texts(output()) + " / " + texts(rts()); }
    // When `name` (RTS, DTR) first went up and then down.
    std::pair<double, double> keyed(const QString &name)
    {
        auto after = [this](const QString &prefix, double t) {
            for (const TimedLine &l : rts())
                if (l.t >= t && l.text.startsWith(prefix))
                    return l.t;
            return 0.0;
        };
        const double on = after(name + " 1", 0);
        return {on, on > 0 ? after(name + " 0", on) : 0.0};
    }

    static TimedLine find(const QList<TimedLine> &lines, const QString &prefix)
    {
        for (const TimedLine &l : lines)
            if (l.text.startsWith(prefix))
                return l;
        return {};
    }
    static QString texts(const QList<TimedLine> &lines)
    {
        QStringList t;
        for (const TimedLine &l : lines)
            t << l.text;
        return t.join(" | ");
    }

private:
    static QList<TimedLine> parse(const QByteArray &data)
    {
        QList<TimedLine> lines;
        for (const QByteArray &raw : data.split('\n')) {
            const int sp = raw.indexOf(' ');
            bool ok = false;
            const double t = sp > 0 ? raw.left(sp).toDouble(&ok) : 0;
            if (ok)
                lines.append({t, QString::fromUtf8(raw.mid(sp + 1))});
        }
        return lines;
    }

    QTemporaryDir m_dir;
    QString m_pty;
    int m_master = -1;
    QMap<QString, QVariant> m_settings;
    QProcess m_proc;
    QByteArray m_out;
};
