#include "core/notes/recipient_list.h"

#include "core/notes/tagged_text.h"

namespace RecipientList {

QByteArray Compose(const QList<QByteArray>& addresses)
{
    QByteArray strList;
    for (int n = 0; n < addresses.size(); ++n)
        strList += addresses[n] + TaggedText::Tag(n);
    return strList;
}

CSplit Split(QByteArray strList, bool bMultiSend)
{
    CSplit split;
    int n = 0;
    for (; n < MaxJobs; ++n) {
        const QByteArray strTag = TaggedText::Tag(n);
        const qsizetype p = strList.indexOf(strTag);
        if (p < 0)
            return split;
        if (p == 0) {
            strList.remove(0, strTag.size());
            continue;
        }
        split.recipients.push_back({n + 1, strList.left(p)});
        strList.remove(0, p + strTag.size());
        if (!bMultiSend)
            return split;
    }
    split.bTooMany = !strList.isEmpty();
    return split;
}

QList<QByteArray> Addresses(const QByteArray& strList)
{
    QList<QByteArray> addresses;
    qsizetype nFrom = 0;
    for (int n = 0;; ++n) {
        const QByteArray strTag = TaggedText::Tag(n);
        const qsizetype p = strList.indexOf(strTag, nFrom);
        if (p < 0)
            return addresses;
        if (p > nFrom)
            addresses.append(strList.mid(nFrom, p - nFrom));
        nFrom = p + strTag.size();
    }
}

} // namespace RecipientList
