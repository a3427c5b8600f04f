#include "core/hosts/host_list.h"

#include <algorithm>

namespace {
// The tags that end the parts of a stored entry, "/$0" to "/$2".
constexpr qsizetype kTagLength = 3;
// A part of a stored entry (an address, a group) shorter than this is not
// taken when read: a sender at an address that short is not added, as its
// entry would not read back.
constexpr qsizetype kShortestPart = 3;
// The number a taken nickname is added with, "-01" to "-99".
constexpr qsizetype kNumberSuffixLength = 3;
const QByteArray kDefaultGroup = QByteArrayLiteral("default");
} // namespace

CHostEntry CHostList::ParseHostEntry(const QByteArray& strStored)
{
    CHostEntry entry{strStored, strStored, kDefaultGroup};
    const qsizetype p0 = strStored.indexOf("/$0");
    const qsizetype p1 = strStored.indexOf("/$1");
    const qsizetype p2 = strStored.indexOf("/$2");
    if (p0 <= 0)
        return entry;
    entry.strNickname = strStored.left(p0);
    if (p1 - p0 - kTagLength >= kShortestPart)
        entry.strAddress = strStored.mid(p0 + kTagLength, p1 - p0 - kTagLength);
    if (p1 > p0 && p2 - p1 - kTagLength >= kShortestPart && p2 > p1 + kTagLength)
        entry.strGroup = strStored.mid(p1 + kTagLength, p2 - p1 - kTagLength);
    return entry;
}

QByteArray CHostList::BuildHostEntry(const CHostEntry& entry)
{
    return entry.strNickname + "/$0" + entry.strAddress + "/$1" + entry.strGroup + "/$2";
}

QList<QByteArray> CHostList::AddressesOfNickname(const QByteArray& strNickname) const
{
    QList<QByteArray> addresses;
    for (const CHostEntry& entry : m_entries) {
        if (entry.strNickname == strNickname)
            addresses.append(entry.strAddress);
    }
    return addresses;
}

QList<QByteArray> CHostList::AddressesOfGroup(const QByteArray& strGroup) const
{
    QList<QByteArray> addresses;
    for (const CHostEntry& entry : m_entries) {
        if (entry.strGroup == strGroup)
            addresses.append(entry.strAddress);
    }
    return addresses;
}

QByteArray CHostList::NicknamesOfAddress(const QByteArray& strAddress) const
{
    QList<QByteArray> nicknames;
    for (const CHostEntry& entry : m_entries) {
        if (entry.strAddress == strAddress)
            nicknames.append(entry.strNickname);
    }
    return nicknames.join(',');
}

QByteArray CHostList::AutoAddedNickname(const QByteArray& strNickname)
{
    QByteArrayView nickname =
        QByteArrayView(strNickname).first(std::min(strNickname.size(), AutoAddedNicknameLength));
    // A separator would split the stored entry elsewhere when it is read back.
    for (const char* pszSeparator : {"/$1", "/$2"}) {
        if (const qsizetype nAt = nickname.indexOf(QByteArrayView(pszSeparator)); nAt >= 0)
            nickname = nickname.first(nAt);
    }
    return nickname.toByteArray();
}

QByteArray CHostList::AddUnknownSender(const QByteArray& strReceived, const QByteArray& strAddress,
                                       bool bUseAutoAdd)
{
    if (!bUseAutoAdd || strAddress == "unknown" || strAddress.size() < kShortestPart)
        return QByteArray();

    const QByteArray strNickname = AutoAddedNickname(strReceived);
    // "Bob-01" is a numbered "Bob". A host typed by hand with a longer nickname
    // still knows its sender by the whole of it.
    const auto Matches = [&strNickname, &strReceived](QByteArrayView listed) {
        if (listed == strNickname || listed == strReceived)
            return true;
        if (listed.size() < kNumberSuffixLength)
            return false;
        const QByteArrayView numbered = listed.chopped(kNumberSuffixLength);
        return numbered == strNickname || numbered == strReceived;
    };
    int nCount = 0;
    for (const CHostEntry& entry : m_entries) {
        if (!Matches(entry.strNickname))
            continue;
        ++nCount;
        // Known: nothing to add. The note is shown under the name of a numbered
        // entry that matched, not under an earlier numbered entry at another
        // address; a note whose nickname was only cut for the list keeps it whole.
        if (entry.strAddress == strAddress) {
            const bool bAsSent =
                entry.strNickname == strReceived || entry.strNickname == strNickname;
            return bAsSent ? QByteArray() : entry.strNickname;
        }
    }

    // A peer that calls itself something new with every note would grow the
    // list (and the settings file) without end.
    if (m_entries.size() >= AutoAddBound) {
        ++m_nRefusedSenders;
        return QByteArray();
    }
    QByteArray strListed = strNickname;
    if (nCount > 0)
        strListed += '-' + QByteArray::number(nCount).rightJustified(kNumberSuffixLength - 1, '0');
    m_entries.append({strListed, strAddress, kDefaultGroup});
    ++m_nRevision;
    // Listed cut, the note keeps its own nickname whole.
    return strListed == strReceived || nCount > 0 ? strListed : QByteArray();
}

void CHostList::Replace(const QList<CHostEntry>& entries)
{
    m_entries = entries;
    ++m_nRevision;
}
