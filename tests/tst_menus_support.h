#pragma once

// Helpers shared by the tests of the menus, dialogs and help.

#include "core/appcontext.h"
#include "map/frmmain.h"
#include "testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <fcntl.h>
#include <functional>
#include <memory>
#include <stdlib.h>
#include <unistd.h>

// Per-user settings go to the test location, never to the user's own.
inline void useTestSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Pontavel"));
    QCoreApplication::setApplicationName(QStringLiteral("Pontavel"));
    QSettings().clear();
    QSettings().sync();
}

// Calls `answer` with the next modal widget once it is up; gives up after
// `timeoutMs` so that no test can hang on a dialog nobody answers.
inline void whenModal(std::function<void(QWidget *)> answer, int timeoutMs = 5000)
{
    auto *timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, answer, timeoutMs] {
        QWidget *w = QApplication::activeModalWidget();
        if (w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            answer(w);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
}

// Answers the next message box with OK and keeps its title and text.
struct MessageSeen
{
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};
inline std::shared_ptr<MessageSeen> acceptNextMessage()
{
    auto seen = std::make_shared<MessageSeen>();
    whenModal([seen](QWidget *w) {
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            seen->seen = true;
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            box->accept();
        } else {
            w->close();
        }
    });
    return seen;
}

// A real terminal device (pseudo terminal) a port number can be bound to.
class PseudoTerminal
{
public:
    PseudoTerminal()
    {
        m_fd = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_fd >= 0 && grantpt(m_fd) == 0 && unlockpt(m_fd) == 0)
            m_path = QString::fromLocal8Bit(ptsname(m_fd));
    }
    ~PseudoTerminal()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    QString path() const { return m_path; }

private:
    int m_fd = -1;
    QString m_path;
};

// A working folder with two repeaters joined by a beam, and the main window on it.
struct MainFixture
{
    TempWorkspace ws;
    AppContext ctx;
    std::unique_ptr<frmMain> w;

    MainFixture()
    {
        ws.makeMap(400, 300);
        ws.addRepeater("Alpha", "1", "438.5", 600, 600, 600, 900, "12");
        ws.addRepeater("Bravo", "2", "1255", 3000, 2400, 3000, 2700, "21");
        ws.closeStore();
        w = std::make_unique<frmMain>(ctx);
        w->Load();
    }
};
