#include "desktop/presence/found_hosts_dlg.h"

#include "core/text/code_page.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

CFoundHostsDlg::CFoundHostsDlg(const QList<CPresencePeer>& peers, QWidget* pParent)
    : QDialog(pParent), m_peers(peers), m_pList(new QTreeWidget(this)), m_pAdd(nullptr)
{
    setWindowTitle(tr("Blipnote - Add found hosts"));
    auto* pHint =
        new QLabel(peers.isEmpty() ? tr("No copy of Blipnote that your host list lacks is "
                                        "announced on the local network now.")
                                   : tr("These copies of Blipnote are announced on the local "
                                        "network and not in your host list. Tick those to add."),
                   this);
    pHint->setWordWrap(true);
    m_pList->setHeaderLabels({tr("Nickname"), tr("IP-Address"), tr("Computer")});
    m_pList->setRootIsDecorated(false);
    m_pList->setAccessibleName(tr("Found hosts"));
    for (const CPresencePeer& peer : peers) {
        auto* pItem = new QTreeWidgetItem(m_pList, {CodePage::ToUnicode(NicknameOf(peer)),
                                                    peer.strAddress, peer.record.strComputer});
        pItem->setCheckState(0, Qt::Unchecked);
        // Texts from the network are never read as markup.
        pItem->setToolTip(
            0, tr("Announced as \"%1\", Blipnote %2")
                   .arg(peer.strName.toHtmlEscaped(), peer.record.strVersion.toHtmlEscaped()));
    }
    m_pList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (!peers.isEmpty())
        m_pList->setCurrentItem(m_pList->topLevelItem(0));

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_pAdd = pButtons->addButton(tr("&Add"), QDialogButtonBox::AcceptRole);
    m_pAdd->setEnabled(false);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pList, &QTreeWidget::itemChanged, this,
            [this] { m_pAdd->setEnabled(!Chosen().isEmpty()); });

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pHint);
    pLayout->addWidget(m_pList, 1);
    pLayout->addWidget(pButtons);
    resize(480, 300);
}

QList<CHostEntry> CFoundHostsDlg::Chosen() const
{
    QList<CHostEntry> entries;
    for (int n = 0; n < m_pList->topLevelItemCount(); ++n) {
        if (m_pList->topLevelItem(n)->checkState(0) != Qt::Checked)
            continue;
        const CPresencePeer& peer = m_peers.at(n);
        entries.append(
            {NicknameOf(peer), peer.strAddress.toLatin1(), QByteArrayLiteral("default")});
    }
    return entries;
}

QByteArray CFoundHostsDlg::NicknameOf(const CPresencePeer& peer)
{
    QString strNickname = peer.record.strNickname;
    if (strNickname.isEmpty())
        strNickname = peer.record.strComputer;
    if (strNickname.isEmpty())
        strNickname = peer.strAddress;
    QByteArray strBytes = CodePage::FromUnicode(strNickname);
    for (const QByteArray& strSeparator : CHostList::EntrySeparators())
        strBytes.replace(strSeparator, QByteArrayLiteral("/"));
    return strBytes.left(CHostList::AutoAddedNicknameLength);
}
