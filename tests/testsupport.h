#pragma once

// Helpers shared by the tests: a temporary working folder with a real relai.db
// and map picture, made the way a user's folder is.

#include "core/store.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

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
// other dialog is rejected. Once: only the first dialog; Every: all of them.
class ModalAnswer
{
public:
    enum Repeat { Once, Every };
    explicit ModalAnswer(QMessageBox::StandardButton button = QMessageBox::Ok, Repeat repeat = Once)
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this, button, repeat] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            if (repeat == Once)
                m_timer.stop();
            seen = true;
            titles << dialog->windowTitle();
            title = dialog->windowTitle();
            auto *box = qobject_cast<QMessageBox *>(dialog);
            if (!box) {
                dialog->reject();
                return;
            }
            text = box->text();
            icon = box->icon();
            buttons = box->standardButtons();
            if (QAbstractButton *b = box->button(button))
                QTest::mouseClick(b, Qt::LeftButton);
            else
                box->reject();
        });
        m_timer.start();
    }
    bool seen = false;
    QString text;
    QString title;
    QStringList titles;  // of every dialog answered
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;

private:
    QTimer m_timer;
};
