#include "transaction.h"

#include "core/systemerrors.h"

#include <QSqlError>

Transaction::Transaction(const QSqlDatabase &db) : m_db(db)
{
    m_begun = m_db.transaction();
    if (!m_begun)
        m_error = SystemErrors::sql(m_db.lastError());
}

Transaction::~Transaction()
{
    if (m_begun && !m_committed)
        m_db.rollback();
}

bool Transaction::begun(QString *why) const
{
    if (!m_begun && why)
        *why = m_error;
    return m_begun;
}

bool Transaction::commit()
{
    if (!m_begun)
        return false;
    m_committed = m_db.commit();
    if (!m_committed)
        m_error = SystemErrors::sql(m_db.lastError());
    return m_committed;
}
