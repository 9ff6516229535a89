#pragma once

// Helpers shared by the tests: a temporary working folder with a real relai.db
// and map picture made the way a user's folder is, the main window on it, and
// answers to the modal dialogs it opens.

#include "app/appcontext.h"
#include "store/store.h"
#include "command/relai.h"
#include "map/frmmain.h"
#include "map/mapinteraction.h"
#include "map/mapscene.h"
#include "map/mapview.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <QImage>
#include <QPainter>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QLineEdit>
#include <QtTest>

#include <fcntl.h>
#include <functional>
#include <memory>
#include <stdlib.h>
#include <unistd.h>

class TempWorkspace
{
public:
    TempWorkspace() : m_old(QDir::currentPath())
    {
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
    }
    ~TempWorkspace() { QDir::setCurrent(m_old); }

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

    // relai.db with the program's own schema and settings defaults.
    Store &store()
    {
        if (!m_store.isOpen())
            m_store.open(file("relai.db"));
        return m_store;
    }
    void closeStore() { m_store.close(); }

    void exec(const QString &sql, const QVariantList &binds = {})
    {
        QSqlQuery q(store().database());
        QVERIFY2(q.prepare(sql), qPrintable(q.lastError().text()));
        for (const QVariant &v : binds)
            q.addBindValue(v);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text() + " : " + sql));
    }

    // Adds a repeater row and its command table; returns its number.
    int addRepeater(const QString &nom, const QString &dtmf, const QString &freq, double left = 0,
                    double top = 0, double libLeft = 0, double libTop = 0, const QString &chemin = {})
    {
        QSqlQuery q(store().database());
        q.exec("SELECT count(*) FROM \"Relais\"");
        q.next();
        const int n = q.value(0).toInt() + 1;
        exec("INSERT INTO \"Relais\" VALUES (?,?,?,?,?,?,?,?,?)",
             {n, nom, dtmf, freq, left, top, libLeft, libTop, chemin});
        store().CreeTable(QString::number(n));
        return n;
    }

    void addCommand(int repeater, const QString &tx, const QString &rx, const QStringList &wav,
                    const QString &chemin = {}, const QString &relais = {})
    {
        QSqlQuery q(store().database());
        q.exec(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(repeater));
        q.next();
        QVariantList binds{q.value(0).toInt() + 1, tx, rx};
        for (int i = 0; i < 5; ++i)
            binds << (i < wav.size() ? wav[i] : QString());
        binds << chemin << relais;
        exec(QStringLiteral("INSERT INTO \"%1\" VALUES (?,?,?,?,?,?,?,?,?,?)").arg(repeater), binds);
    }

    void setParam(const QString &field, const QVariant &value)
    {
        exec(QStringLiteral("UPDATE \"Param\" SET %1 = ?").arg(Store::quoted(field)), {value});
    }

    // What relai.db holds now, read through a connection of its own.
    Settings storedSettings() const
    {
        Store fresh;
        fresh.open(file("relai.db"));
        return fresh.settings();
    }
    QVector<Repeater> storedRepeaters() const
    {
        Store fresh;
        fresh.open(file("relai.db"));
        return fresh.repeaters();
    }

    // A map picture of w x h pixels with a visible pattern.
    void makeMap(int w, int h)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(QColor(200, 220, 190));
        QPainter p(&img);
        p.setPen(QPen(QColor(60, 90, 160), 3));
        p.drawLine(0, 0, w, h);
        p.end();
        QVERIFY(img.save(file("plan.bmp"), "BMP"));
    }

private:
    QTemporaryDir m_dir;
    QString m_old;
    Store m_store;
};

// Answers the modal dialogs that open while it lives and keeps what they
// said: a message box gets `button` (or is rejected when it has none), any
// other dialog goes to `other` (rejected without one). Once: only the first
// dialog; Every: all of them.
class ModalAnswer
{
public:
    enum Repeat { Once, Every };
    explicit ModalAnswer(QMessageBox::StandardButton button = QMessageBox::Ok, Repeat repeat = Once,
                         std::function<void(QDialog *)> other = {})
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this, button, repeat, other] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            if (repeat == Once)
                m_timer.stop();
            seen = true;
            titles << dialog->windowTitle();
            auto *box = qobject_cast<QMessageBox *>(dialog);
            if (!box) {
                other ? other(dialog) : dialog->reject();
                return;
            }
            text = box->text();
            icon = box->icon();
            if (QAbstractButton *b = box->button(button))
                QTest::mouseClick(b, Qt::LeftButton);
            else
                box->reject();
        });
        m_timer.start();
    }
    bool seen = false;
    QString text;
    QStringList titles;  // of every dialog answered
    QMessageBox::Icon icon = QMessageBox::NoIcon;

private:
    QTimer m_timer;
};

// The command window's options (one per command) and a window's buttons, by name.
inline QRadioButton *option(const QWidget *w, int i) { return w->findChild<QRadioButton *>(QStringLiteral("Option1_%1").arg(i)); }
inline qsizetype options(const QWidget *w) { return w->findChildren<QRadioButton *>().size(); }
inline QPushButton *pushButton(const QWidget *w, const char *name) { return w->findChild<QPushButton *>(QLatin1String(name)); }

// Per-user settings go to the test location, never to the user's own.
inline void useTestSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Pontavel"));
    QCoreApplication::setApplicationName(QStringLiteral("Pontavel"));
    QSettings().clear();
    QSettings().sync();
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
        w = ctx.makeMainWindow();
        w->Load();
    }
};

// The main window loaded on the current working folder and shown at a known
// size, with the mouse moves that QTest cannot make.
struct Window
{
    AppContext ctx;
    std::unique_ptr<frmMain> frm;
    MapInteraction *zoom = nullptr;

    explicit Window(int width = 800, int height = 600)
    {
        frm = ctx.makeMainWindow();
        frm->resize(width, height);
        frm->Load();
        frm->show();
        // The outer width is what the zoom uses: make it exactly `width`.
        frm->resize(width - (frm->frameGeometry().width() - frm->width()), height);
        zoom = frm->findChild<MapInteraction *>();
    }
    QWidget *vp() const { return frm->view()->viewport(); }
    MapScene *scene() const { return frm->scene(); }
    template<typename T = QToolButton>
    T *button(const char *name) const { return frm->findChild<T *>(QLatin1String(name)); }
};

// A move with buttons and keys held, which QTest::mouseMove cannot carry.
inline void moveWith(QWidget *w, QPoint pos, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::NoButton, buttons, mods);
    QApplication::sendEvent(w, &e);
}

// Editor tests: clicking grid rows, typing into boxes, and a full dump of the
// database to compare states.
inline void clickCell(QTableView *view, int row, int column = 1)
{
    const QModelIndex i = view->model()->index(row, column);
    view->scrollTo(i);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(i).center());
}

// Replaces the text of a box by typing, as a user would.
inline void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
    if (!text.isEmpty())
        QTest::keyClicks(edit, text);
}

inline QVector<QVariantList> tableRows(const QSqlDatabase &db, const QString &table)
{
    QVector<QVariantList> rows;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(Store::quoted(table))))
        return rows;
    while (q.next()) {
        QVariantList r;
        for (int i = 0; i < q.record().count(); ++i)
            r << q.value(i);
        rows << r;
    }
    return rows;
}

// Every table's definition and rows (with rowids), in name order.
inline QStringList dumpDatabase(const QSqlDatabase &db)
{
    QStringList out;
    QSqlQuery q(db);
    q.exec(QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY type, name"));
    QStringList tables;
    while (q.next()) {
        out << q.value(0).toString() + '|' + q.value(1).toString() + '|' + q.value(2).toString();
        if (q.value(0).toString() == QLatin1String("table"))
            tables << q.value(1).toString();
    }
    for (const QString &t : tables) {
        QSqlQuery r(db);
        r.exec(QStringLiteral("SELECT rowid, * FROM %1 ORDER BY rowid").arg(Store::quoted(t)));
        while (r.next()) {
            QStringList f;
            for (int i = 0; i < r.record().count(); ++i)
                f << (r.value(i).isNull() ? QStringLiteral("<null>") : r.value(i).toString());
            out << t + ':' + f.join('|');
        }
    }
    return out;
}

inline QStringList commandTables(const QSqlDatabase &db)
{
    QStringList out;
    QSqlQuery q(db);
    q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name NOT IN ('Relais','Param') "
                          "ORDER BY CAST(name AS INTEGER)"));
    while (q.next())
        out << q.value(0).toString();
    return out;
}

// A working folder with a small network and its main window loaded on it; the
// station's real transmitter keys a recording line.
struct Station
{
    // The transmitter's PTT line: what it was asked, in order; refuses with `refuse` when set.
    struct Line : Ptt
    {
        QStringList log;  // "on", "off"
        QString refuse;
        bool on = false;
        bool key(QString *error) override
        {
            if (error && !refuse.isEmpty())
                *error = refuse;
            return refuse.isEmpty() && (log << "on", on = true);
        }
        void release() override
        {
            if (std::exchange(on, false))
                log << "off";
        }
        bool isKeyed() const override { return on; }
    };
    Line line;  // outlives the transmitter
    TempWorkspace ws;
    AppContext ctx;
    std::unique_ptr<frmMain> frm;

    Station()
    {
        QStandardPaths::setTestModeEnabled(true);
        ws.makeMap(600, 400);
        // Keys 1..5, spread over the map.
        ws.addRepeater("Alpha", "1", "438.5", 600, 600, 600, 1000);
        ws.addRepeater("Bravo", "2", "1255", 3000, 600, 3000, 1000);
        ws.addRepeater("Charlie", "3", "2370", 3000, 3000, 3000, 3400);
        ws.addRepeater("Delta", "4", "10450", 600, 3000, 600, 3400);
        ws.addRepeater("Echo", "5", "1280", 5000, 2000, 5000, 2400);
    }

    void load()
    {
        (frm = ctx.makeMainWindow())->Load();
        // After the load, which hands the transmitter the stored method.
        ctx.transmitter->setPtt(&line);
        frm->show();
    }

    // What a plain click on repeater i's icon does.
    Relai *open(int i)
    {
        const Repeater *r = frm->scene()->repeater(i);
        ctx.state.chooseRepeater(i);
        ctx.state.NomCourant = r ? r->nom : QString();
        ctx.state.FreqCourante = r ? r->freq : QString();
        frm->openCommandWindow(i);
        Relai *w = frm->findChild<Relai *>();
        return w && QTest::qWaitForWindowExposed(w) ? w : nullptr;
    }

    // Key i of the keypad (0 ... 9, A ... D, #, *).
    QPushButton *key(int i) const { return frm->findChild<QPushButton *>(QStringLiteral("FVocal%1").arg(i)); }

    // Message boxes on screen other than the send question.
    QList<QMessageBox *> messages(QWidget *under) const
    {
        QList<QMessageBox *> out = under->findChildren<QMessageBox *>();
        out.removeIf([](QMessageBox *b) { return !b->isVisible() || b->objectName() == QLatin1String("questionEnvoi"); });
        return out;
    }
};
