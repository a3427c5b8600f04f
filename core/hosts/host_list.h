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
// counts its changes (Revision): the recipient boxes are rebuilt, and the list is
// stored, when the count moved since they last looked.
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

    // What a peer can add. A nickname added automatically keeps at most this
    // many bytes: the Preferences box, which takes what its width shows, holds
    // some 20 to 35 ordinary letters (77 of the narrowest), so no nickname set
    // there is cut; and a list at the bound below stays well under a megabyte.
    static constexpr qsizetype AutoAddedNicknameLength = 80;
    // Senders are added only while the list holds fewer entries than this, the
    // hosts typed by hand included: an office's list is far shorter, and a peer
    // with a new nickname or address on every note fills it at most to here,
    // across any number of runs (some 0.5 MB of settings).
    static constexpr qsizetype AutoAddBound = 4000;

    // Adds the sender of an arriving note when it is not known yet (with a numbered
    // nickname "%s-%02d" when the nickname is taken), while the list is below
    // AutoAddBound. The nickname is first cut to AutoAddedNicknameLength and
    // before any "/$1" or "/$2" in it, so that the stored entry reads back as it
    // was added; a sender listed under the cut nickname is known. Returns the
    // nickname the note is to be shown under, or an empty text to keep the
    // note's own.
    QByteArray AddUnknownSender(const QByteArray& strNickname, const QByteArray& strAddress,
                                bool bUseAutoAdd);
    // Senders not added in this run because the list was at its bound.
    int RefusedSenders() const { return m_nRefusedSenders; }
    // The nickname as it is added automatically.
    static QByteArray AutoAddedNickname(const QByteArray& strNickname);

    // Replaces the whole list (the hosts page); a change.
    void Replace(const QList<CHostEntry>& entries);
    // Empties the list and appends to it, loading: not counted as changes.
    void Clear() { m_entries.clear(); }
    void Append(const CHostEntry& entry) { m_entries.append(entry); }

    // Grows by one with every change: an entry added automatically, a
    // replacement of the whole list.
    quint64 Revision() const { return m_nRevision; }

private:
    QList<CHostEntry> m_entries;
    quint64 m_nRevision = 0;
    int m_nRefusedSenders = 0;
};
