#pragma once

#include <QByteArray>
#include <QList>

// The finger queries answered since the program started: when, what was asked,
// and from which address. In memory only, and bounded: beyond the limit the
// oldest rows go, so a flood of queries cannot exhaust memory.
class CFingerQueryLog
{
public:
    static constexpr qsizetype MaxRows = 10000;

    struct CRow
    {
        QByteArray strTime;
        QByteArray strQuery;
        QByteArray strFrom;
    };

    void Append(const CRow& row);
    void Clear() { m_rows.clear(); }
    const QList<CRow>& Rows() const { return m_rows; }

private:
    QList<CRow> m_rows;
};
