#pragma once

#include <QByteArray>
#include <QtGlobal>

// The fields of one note, in their declared order. Texts are code-page bytes.
struct CNoteRecord
{
    qint32 m_nSendState = 0; // 0 not sent or incoming, 1 delivered, -1 failed
    qint32 m_nReserved = 0;  // always 0 in notes we create; kept as loaded
    qint32 m_nPriority = 0;  // 0 normal, anything else high priority
    QByteArray m_strNickname;
    QByteArray m_strSubject;
    QByteArray m_strTime;
    QByteArray m_strBody;
    QByteArray m_strAddress;
    QByteArray m_strSystem;

    friend bool operator==(const CNoteRecord&, const CNoteRecord&) = default;
};
