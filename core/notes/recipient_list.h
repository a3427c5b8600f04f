#pragma once

#include <QByteArray>
#include <QList>

#include <vector>

// A recipient list: each address followed by its own numbered tag "/$0", "/$1",
// ... for example "10.0.0.5/$010.0.0.7/$1".
namespace RecipientList {

// At most this many jobs start for one send.
inline constexpr int MaxJobs = 250;

struct CRecipient
{
    int nNumber; // the tag's number + 1, as the status pane shows it
    QByteArray strAddress;
};

struct CSplit
{
    std::vector<CRecipient> recipients;
    bool bTooMany = false; // entries were left over after the last job
};

QByteArray Compose(const QList<QByteArray>& addresses);

// Walks the tags in order: an empty address is skipped, the walk ends at the first
// missing tag, after the first recipient when bMultiSend is off, or after MaxJobs.
CSplit Split(QByteArray strList, bool bMultiSend);

// Every address of the list in order, walked as Split walks it but without
// its bound: for a caller that reports what a send leaves over.
QList<QByteArray> Addresses(const QByteArray& strList);

} // namespace RecipientList
