#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>

// One entry of the host list.
struct CHostEntry
{
    QByteArray strNickname;
    QByteArray strAddress;
    QByteArray strGroup;

    friend bool operator==(const CHostEntry&, const CHostEntry&) = default;
};

// The user's address book of other workstations: nickname, address and group per
// entry, in the order the entries were added. Texts are compared exactly. The list
// keeps two flags: "host list changed" (the recipient boxes must be rebuilt) and
// "hosts unsaved" (an entry was added automatically and is not stored yet).
class CHostList
{
public:
    // The stored text of an entry: nickname "/$0" address "/$1" group "/$2".
    // A part holding one of the separators would split the entry wrongly when read.
    static QByteArrayList EntrySeparators() { return {"/$0", "/$1", "/$2"}; }
    static CHostEntry ParseHostEntry(const QByteArray& strStored);
    static QByteArray BuildHostEntry(const CHostEntry& entry);

    qsizetype Count() const { return m_entries.size(); }
    const QList<CHostEntry>& Entries() const { return m_entries; }

    QList<QByteArray> AddressesOfNickname(const QByteArray& strNickname) const;
    QList<QByteArray> AddressesOfGroup(const QByteArray& strGroup) const;
    // The nicknames of all entries at the address, joined with ",".
    QByteArray NicknamesOfAddress(const QByteArray& strAddress) const;

    // At most this many senders are added automatically in one run.
    static constexpr int MaxAutoAdded = 1000;

    // Adds the sender of an arriving note when it is not known yet (with a numbered
    // nickname "%s-%02d" when the nickname is taken), up to MaxAutoAdded in a run.
    // Returns the nickname the note is to be shown under, or an empty text to keep
    // the note's own.
    QByteArray AddUnknownSender(const QByteArray& strNickname, const QByteArray& strAddress,
                                bool bUseAutoAdd);

    // Replaces the whole list (the hosts page) and marks it changed.
    void Replace(const QList<CHostEntry>& entries);
    // Empties the list without marking it changed (before loading).
    void Clear() { m_entries.clear(); }
    void Append(const CHostEntry& entry) { m_entries.append(entry); }

    bool m_bHostListChanged = false;
    bool m_bHostsUnsaved = false;

private:
    QList<CHostEntry> m_entries;
    int m_nAutoAdded = 0;
};
