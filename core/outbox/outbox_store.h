#pragma once

#include "core/outbox/outbox_entry.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

class CHistoryDatabase;

// The outbox's notes in the history file: added, read back at the start,
// their state kept up to date together with the result the history shows for
// that recipient. Failures return 0, false or nothing, with the reason.
class COutboxStore
{
public:
    explicit COutboxStore(CHistoryDatabase& database);

    // The new entry's id.
    qint64 Add(const COutboxEntry& entry, const QByteArray& strText, QString* pstrError);
    // The notes still waiting or unknown, oldest first; *pbDamaged tells a
    // failure because the file is damaged.
    std::optional<std::vector<COutboxEntry>> Unfinished(QString* pstrError,
                                                        bool* pbDamaged = nullptr);
    std::optional<QByteArray> Text(qint64 nId, QString* pstrError);
    // Writes the entry's state, tries, next time and reason, and the
    // recipient's result in the history (a delivered one with the bytes sent
    // and acknowledged). A finished entry gives up its text.
    bool Update(const COutboxEntry& entry, QString* pstrError, qint64 nSent = 0,
                qint64 nAcknowledged = 0);
    // Marks the entry unknown in the file only, with the reason: while its
    // bytes go out, a program that ends must not send it again at its start.
    bool MarkGoingOut(qint64 nId, QString* pstrError);

    // The text a try that was going out when the program ended leaves.
    static QString EndedWhileSendingText();

private:
    CHistoryDatabase& m_database;
};
