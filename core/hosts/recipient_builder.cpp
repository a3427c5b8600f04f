#include "core/hosts/recipient_builder.h"

#include "core/hosts/host_list.h"
#include "core/messaging/recipient_list.h"

QByteArray BuildRecipientList(const CHostList& hosts, const QByteArray& strText)
{
    QList<QByteArray> addresses;
    const qsizetype b = strText.indexOf("Group");
    if (b >= 0)
        addresses = hosts.AddressesOfGroup(strText.mid(b + 6)); // after "Group "
    else
        addresses = hosts.AddressesOfNickname(strText);
    if (addresses.isEmpty())
        addresses.append(strText);
    return RecipientList::Compose(addresses);
}
