#pragma once

#include "core/hosts/host_list.h"

class ISettingsStore;

// The host list as the program keeps it: read from the settings store at start,
// stored when the Hosts page replaces it, and stored at the end of a run when
// senders were added to it automatically meanwhile.
class CHostBook
{
public:
    explicit CHostBook(ISettingsStore& store) : m_store(store) {}

    const CHostList& Hosts() const { return m_hosts; }

    // Reads the stored entries, up to the first gap.
    void Load();
    // Stores the list. storedAt gives, for each entry, the index it was listed
    // at before (-1: new); an entry still at its place whose stored text reads
    // as it stands keeps that text, byte for byte. Without storedAt every entry
    // counts as in its place.
    void Save(const QList<qsizetype>& storedAt = {});
    // Whether the list changed since it was read or stored.
    bool HasUnsavedChanges() const { return m_hosts.Revision() != m_nSavedRevision; }

    // The list's automatic adding, under "Use AutoAdd"; the first sender not
    // added because the list is at its bound is logged.
    QByteArray AddUnknownSender(const QByteArray& strNickname, const QByteArray& strAddress,
                                bool bUseAutoAdd);
    // Replaces the list (the Hosts page applied) and stores it, as Save does.
    void Replace(const QList<CHostEntry>& entries, const QList<qsizetype>& storedAt = {});

private:
    ISettingsStore& m_store;
    CHostList m_hosts;
    quint64 m_nSavedRevision = 0;
};
