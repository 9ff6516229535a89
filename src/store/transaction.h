#pragma once

#include <QSqlDatabase>
#include <QString>

// One transaction on `db`: begun on construction, rolled back on destruction
// unless commit() succeeded, so that every early return leaves the file whole.
class Transaction
{
public:
    explicit Transaction(const QSqlDatabase &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    bool begun() const { return m_begun; }
    // As begun(); when it was not, *why gets the engine's reason.
    bool begun(QString *why) const;
    bool commit();
    // The engine's reason when begin or commit failed, in French.
    QString error() const { return m_error; }

private:
    QSqlDatabase m_db;
    bool m_begun = false;
    bool m_committed = false;
    QString m_error;
};
