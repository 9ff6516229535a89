#pragma once

// Helpers of the editor tests: clicking grid rows,
// typing into boxes, and a full dump of the database to compare states.

#include "testsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSqlRecord>
#include <QTableView>
#include <QTimer>

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
