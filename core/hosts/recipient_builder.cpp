#include "core/hosts/recipient_builder.h"

#include "core/hosts/host_list.h"
#include "core/notes/recipient_list.h"
#include "core/text/code_page.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <vector>

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

namespace {

// How QString::compare without regard to case sees a code-page text: each byte
// is one UTF-16 character, folded on its own. The key holds the folded
// characters big-endian, so that comparing keys byte by byte (the shorter
// first) orders texts as that comparison does, and equal keys are texts that
// are the same, ignoring case.
QByteArray FoldedKey(const QByteArray& strText)
{
    static const std::array<char16_t, 256> kFolded = [] {
        std::array<char16_t, 256> folded{};
        for (int n = 0; n < 256; ++n)
            folded[n] = CodePage::CharOf(static_cast<unsigned char>(n)).toCaseFolded().unicode();
        return folded;
    }();
    QByteArray strKey(strText.size() * 2, Qt::Uninitialized);
    char* pKey = strKey.data();
    for (const char ch : strText) {
        const char16_t folded = kFolded[static_cast<unsigned char>(ch)];
        *pKey++ = static_cast<char>(folded >> 8);
        *pKey++ = static_cast<char>(folded & 0xFF);
    }
    return strKey;
}

struct CChoice
{
    QByteArray strKey;
    qsizetype nOrder; // where it came in the list: the first spelling is kept
    QByteArray strText;
};

} // namespace

QStringList RecipientChoices(const CHostList& hosts)
{
    std::vector<CChoice> choices;
    choices.reserve(hosts.Count() + 16);
    const auto Add = [&choices](const QByteArray& strText) {
        choices.push_back({FoldedKey(strText), static_cast<qsizetype>(choices.size()), strText});
    };
    // Most hosts share a few groups: each group is looked at once.
    QSet<QByteArray> groups;
    for (const CHostEntry& entry : hosts.Entries()) {
        Add(entry.strNickname);
        const qsizetype nBefore = groups.size();
        groups.insert(entry.strGroup);
        if (groups.size() != nBefore)
            Add("Group " + entry.strGroup);
    }
    std::sort(choices.begin(), choices.end(), [](const CChoice& a, const CChoice& b) {
        const int nOrder = a.strKey.compare(b.strKey);
        return nOrder != 0 ? nOrder < 0 : a.nOrder < b.nOrder;
    });
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(choices.size()));
    const QByteArray* pLastKey = nullptr;
    for (const CChoice& choice : choices) {
        if (pLastKey && *pLastKey == choice.strKey)
            continue; // the same recipient spelt another way, listed later
        pLastKey = &choice.strKey;
        texts.append(CodePage::ToUnicode(choice.strText));
    }
    return texts;
}
