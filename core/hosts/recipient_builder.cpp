#include "core/hosts/recipient_builder.h"

#include "core/hosts/host_list.h"
#include "core/messaging/recipient_list.h"
#include "core/text/code_page.h"

#include <QSet>

#include <algorithm>

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

QStringList RecipientChoices(const CHostList& hosts)
{
    QStringList choices;
    QSet<QString> seen; // case-folded, as the comparison without regard to case sees them
    const auto AddOnce = [&choices, &seen](const QString& strChoice) {
        const QString strKey = strChoice.toCaseFolded();
        if (seen.contains(strKey))
            return;
        seen.insert(strKey);
        choices.append(strChoice);
    };
    for (const CHostEntry& entry : hosts.Entries()) {
        AddOnce(CodePage::ToUnicode(entry.strNickname));
        AddOnce(QStringLiteral("Group ") + CodePage::ToUnicode(entry.strGroup));
    }
    std::sort(choices.begin(), choices.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return choices;
}
