#include "core/finger/seek_row.h"

#include <QHash>

namespace SeekRow {

QByteArray Column(QByteArrayView reply, QByteArrayView key)
{
    const qsizetype nKey = reply.indexOf(key);
    if (nKey <= 0)
        return QByteArrayLiteral("???");
    const qsizetype nStart = nKey + key.size();
    qsizetype nEnd = nStart;
    // Only control bytes end a value: letters of the code page ("PC-Z\xFCrich")
    // are bytes from 0x80 on and belong to it.
    while (nEnd < reply.size() && static_cast<unsigned char>(reply.at(nEnd)) >= 32)
        ++nEnd;
    return reply.sliced(nStart, nEnd - nStart).trimmed().toByteArray();
}

EKind Kind(bool bFailed, std::chrono::milliseconds took, QByteArrayView reply,
           std::chrono::milliseconds downAfter)
{
    if (bFailed && took >= downAfter)
        return EKind::Down;
    if (!bFailed && reply.indexOf("System:") > 0)
        return EKind::Up;
    return EKind::Unknown;
}

CRow Make(const CTarget& target, bool bFailed, std::chrono::milliseconds took, QByteArrayView reply,
          std::chrono::milliseconds downAfter)
{
    CRow row;
    row.strAddress = target.strAddress;
    row.strMappedTo = target.strMappedTo;
    row.nMilliseconds = took.count();
    row.eKind = Kind(bFailed, took, reply, downAfter);
    if (row.eKind == EKind::Down)
        return row;
    row.strUser = Column(reply, "User:");
    row.strSystem = Column(reply, "System:");
    if (row.eKind == EKind::Unknown)
        return row;
    row.strPlatform = Column(reply, "Platform:");
    row.strUptime = Column(reply, "Uptime:");
    row.strLocaltime = Column(reply, "Localtime:");
    return row;
}

QList<CTarget> Targets(const QList<CHostEntry>& hosts)
{
    QList<CTarget> targets;
    QHash<QByteArray, qsizetype> index; // address → its target
    for (const CHostEntry& entry : hosts) {
        const auto it = index.constFind(entry.strAddress);
        if (it == index.constEnd()) {
            index.insert(entry.strAddress, targets.size());
            targets.append({entry.strAddress, entry.strNickname});
        } else {
            targets[*it].strMappedTo += ',' + entry.strNickname;
        }
    }
    return targets;
}

} // namespace SeekRow
