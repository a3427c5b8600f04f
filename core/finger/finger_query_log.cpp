#include "core/finger/finger_query_log.h"

void CFingerQueryLog::Append(const CRow& row)
{
    if (m_rows.size() >= MaxRows)
        m_rows.removeFirst();
    m_rows.append(row);
}
