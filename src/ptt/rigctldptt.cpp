#include "rigctldptt.h"

#include "core/systemerrors.h"
#include "pttsafety.h"

#include <algorithm>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr char ReleaseLine[] = "T 0\n";

// poll() on one descriptor until the deadline; a signal does not cut the wait
// short. The events seen, 0 on time-out, -1 on error.
int waitFor(int fd, short events, const QDeadlineTimer &deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, int(deadline.remainingTime()));
        if (n >= 0 || errno != EINTR)
            return n > 0 ? p.revents : n;
    }
}

QString systemWords(int errnum)
{
    switch (errnum) {
    case ECONNREFUSED:
        return QStringLiteral("connexion refusée (le démon n'est pas lancé, ou il écoute sur un "
                              "autre port)");
    case ETIMEDOUT: return QStringLiteral("aucune réponse en %1 s").arg(RigctldPtt::TimeoutMs / 1000);
    case EHOSTUNREACH:
    case ENETUNREACH: return QStringLiteral("machine injoignable sur le réseau");
    case ECONNRESET:
    case EPIPE: return QStringLiteral("connexion coupée par le démon");
    }
    return SystemErrors::file(errnum);
}

// The daemon's answer to a refused command, "RPRT -n", in words.
QString reportWords(const QByteArray &answer)
{
    const int code = answer.startsWith("RPRT ") ? -answer.mid(5).toInt() : 0;
    QString words;
    switch (code) {
    case 1: words = QStringLiteral("paramètre invalide"); break;
    case 4: words = QStringLiteral("fonction absente de ce modèle"); break;
    case 5: words = QStringLiteral("la radio ne répond pas au démon"); break;
    case 6: words = QStringLiteral("erreur d'entrée-sortie vers la radio"); break;
    case 9: words = QStringLiteral("commande rejetée par la radio"); break;
    case 11: words = QStringLiteral("fonction indisponible"); break;
    default: words = QStringLiteral("réponse inattendue"); break;
    }
    return QStringLiteral("%1, « %2 »").arg(words, QString::fromUtf8(answer.left(40)));
}

} // namespace

RigctldPtt::RigctldPtt(const QString &host, int port) : m_host(host.trimmed()), m_port(port) {}

RigctldPtt::~RigctldPtt()
{
    release();
    disconnect();
}

void RigctldPtt::configure(const QString &host, int port)
{
    release();
    disconnect();
    m_host = host.trimmed();
    m_port = port;
}

QString RigctldPtt::address() const
{
    return m_host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]:%2").arg(m_host).arg(m_port)
                                             : QStringLiteral("%1:%2").arg(m_host).arg(m_port);
}

QString RigctldPtt::failure(const QString &why) const
{
    return QStringLiteral("Le démon rigctld (%1) ne répond pas : %2.").arg(address(), why);
}

bool RigctldPtt::usable() const
{
    pollfd p{m_fd, POLLRDHUP, 0};
    return m_fd >= 0 && ::poll(&p, 1, 0) >= 0 && !(p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL));
}

void RigctldPtt::disconnect()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_pending = 0;
}

bool RigctldPtt::connectToDaemon(QString *error)
{
    disconnect();
    auto fail = [&](const QString &why) {
        if (error)
            *error = failure(why);
        return false;
    };
    if (m_host.isEmpty() || m_port < 1 || m_port > 65535)
        return fail(QStringLiteral("adresse invalide dans les réglages"));
    // Every address of the name in turn (localhost: ::1, then 127.0.0.1), all
    // within the one second; only a name that needs DNS may take longer.
    const QDeadlineTimer deadline(TimeoutMs);
    addrinfo hints = {};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *list = nullptr;
    const int found = ::getaddrinfo(m_host.toUtf8().constData(), QByteArray::number(m_port).constData(), &hints, &list);
    if (found != 0)
        return fail(QStringLiteral("adresse introuvable (%1)").arg(QString::fromLocal8Bit(::gai_strerror(found))));
    int err = ETIMEDOUT;
    for (addrinfo *a = list; a && m_fd < 0 && !deadline.hasExpired(); a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            err = errno;
            continue;
        }
        err = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
        if (err == EINPROGRESS) {
            err = ETIMEDOUT;
            socklen_t size = sizeof err;
            if (waitFor(fd, POLLOUT, deadline) > 0)
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &size);
        }
        if (err == 0)
            m_fd = fd;
        else
            ::close(fd);
    }
    ::freeaddrinfo(list);
    if (m_fd < 0)
        return fail(systemWords(err));
    m_unanswered = true;
    // Commands are a few bytes each: no waiting for more to send.
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return true;
}

int RigctldPtt::exchange(const QByteArray &command, QByteArray *answer)
{
    const QByteArray line = command + '\n';
    if (::send(m_fd, line.constData(), size_t(line.size()), MSG_NOSIGNAL) != line.size())
        return errno ? errno : EPIPE;
    ++m_pending;
    // Answers come in order: those of earlier commands (the watch's "t") first.
    char buf[256];
    QByteArray input;
    const QDeadlineTimer deadline(TimeoutMs);
    for (;;) {
        for (qsizetype end; (end = input.indexOf('\n')) >= 0; input.remove(0, end + 1)) {
            if (--m_pending == 0) {
                if (answer)
                    *answer = input.left(end).trimmed();
                return 0;
            }
        }
        const int events = waitFor(m_fd, POLLIN, deadline);
        const ssize_t n = events > 0 ? ::recv(m_fd, buf, sizeof buf, MSG_DONTWAIT) : -1;
        if (n > 0)
            input.append(buf, n);
        else if (n == 0)
            return ECONNRESET;
        else if (events == 0)
            return ETIMEDOUT;
        else if (errno != EAGAIN && errno != EINTR)
            return errno;
    }
}

bool RigctldPtt::ask(const QByteArray &command, QByteArray *answer, QString *error)
{
    if (!usable() && !connectToDaemon(error))
        return false;
    int err = exchange(command, answer);
    // rigctld now and then drops a connection it has just accepted, unanswered
    // (a few in a hundred when clients come and go quickly): again on a new one.
    for (int retry = 0; retry < 3 && (err == ECONNRESET || err == EPIPE) && m_unanswered; ++retry)
        err = connectToDaemon(nullptr) ? exchange(command, answer) : err;
    m_unanswered = false;
    if (!err)
        return true;
    // A PTT command the daemon may still carry out later: release after it.
    if (command.startsWith("T ") && m_fd >= 0)
        ::send(m_fd, ReleaseLine, sizeof ReleaseLine - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    disconnect();
    if (error)
        *error = failure(QStringLiteral("%1 à « %2 »").arg(systemWords(err), QString::fromUtf8(command)));
    return false;
}

QString RigctldPtt::description() const
{
    return QStringLiteral("rigctld (%1)").arg(address());
}

bool RigctldPtt::prepare(QString *error)
{
    if (m_keyed)
        return true;
    QByteArray answer;
    if (!ask("T 0", &answer, error))
        return false;
    if (answer == "RPRT 0")
        return true;
    if (error)
        *error = refusal(answer);
    return false;
}

QString RigctldPtt::refusal(const QByteArray &answer) const
{
    return QStringLiteral("Le démon rigctld (%1) refuse de passer en émission (%2) : vérifiez "
                          "qu'il commande le PTT de la radio (son option -P, par exemple "
                          "-P RIG pour le PTT par CAT).")
        .arg(address(), reportWords(answer));
}

bool RigctldPtt::key(QString *error)
{
    if (m_keyed)
        return true;
    m_lost.clear();
    if (!usable() && !connectToDaemon(error))
        return false;
    // Armed before "T 1" leaves: a signal during the wait still releases.
    armWriteRelease(m_fd, ReleaseLine, sizeof ReleaseLine - 1);
    QByteArray answer;
    const bool answered = ask("T 1", &answer, error);
    if (answered && answer == "RPRT 0") {
        // Again: the answer may have come on a new connection.
        armWriteRelease(m_fd, ReleaseLine, sizeof ReleaseLine - 1);
        m_keyed = true;
        return true;
    }
    armWriteRelease(-1, nullptr, 0);
    if (answered && error)
        *error = refusal(answer);
    return false;
}

void RigctldPtt::release()
{
    if (!m_keyed)
        return;
    armWriteRelease(-1, nullptr, 0);
    m_keyed = false;
    m_lost.clear();
    // A connection lost meanwhile is made again: a restarted daemon is told too.
    ask("T 0", nullptr, nullptr);
}

// While keyed, "t" about once a second, not waited for: no answer for a few
// seconds is a daemon (or a network) gone silent. A slow rig answers late,
// but it answers.
bool RigctldPtt::answering() const
{
    char buf[256];
    for (ssize_t n; m_pending > 0 && (n = ::recv(m_fd, buf, sizeof buf, MSG_DONTWAIT)) > 0;)
        m_pending = std::max(0, m_pending - int(std::count(buf, buf + n, '\n')));
    if (m_pending > 0)
        return !m_asked.hasExpired();
    if (m_asked.hasExpired() && ::send(m_fd, "t\n", 2, MSG_NOSIGNAL | MSG_DONTWAIT) == 2) {
        ++m_pending;
        m_asked.setRemainingTime(SilenceMs);
    }
    return true;
}

QString RigctldPtt::lostReason() const
{
    if (!m_keyed || !m_lost.isEmpty())
        return m_keyed ? m_lost : QString();
    if (!usable())
        m_lost = QStringLiteral("Le démon rigctld (%1) a coupé la connexion pendant l'émission : "
                                "émission arrêtée.")
                     .arg(address());
    else if (!answering())
        m_lost = QStringLiteral("Le démon rigctld (%1) ne répond plus depuis %2 s pendant "
                                "l'émission : émission arrêtée.")
                     .arg(address())
                     .arg(SilenceMs / 1000);
    return m_lost;
}
