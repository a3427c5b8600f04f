#include "desktop/setup/page_hosts.h"

#include "core/hosts/host_book.h"
#include "core/hosts/host_list.h"
#include "core/interfaces/prompts.h"
#include "core/presence/host_presence.h"
#include "core/settings/app_settings.h"
#include "core/text/code_page.h"
#include "desktop/presence/found_hosts_dlg.h"
#include "desktop/setup/code_page_validator.h"
#include "desktop/setup/host_range_dlg.h"
#include "desktop/setup/host_row_delegate.h"
#include "desktop/setup/host_rows_model.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
const QByteArray kDefaultGroup = QByteArrayLiteral("default");
} // namespace

CPageHosts::CPageHosts(const CSetupContext& context, QWidget* pParent)
    : CSetupPage(pParent), m_context(context), m_pNickname(new QLineEdit(this)),
      m_pAddress(new QLineEdit(this)), m_pGroup(new QLineEdit(this)),
      m_pRows(new CHostRowsModel(context.hosts.Hosts().Entries(), context.pPresence, this)),
      m_pList(new QTreeView(this)), m_pCreateRange(new QPushButton(tr("&Create range"), this)),
      m_pAdd(new QPushButton(tr("&Add"), this)), m_pRemove(new QPushButton(tr("&Remove"), this)),
      m_pRemoveAll(new QPushButton(tr("Re&move All"), this)),
      m_pAddFound(new QPushButton(tr("Add &found hosts..."), this))
{
    m_pList->setModel(m_pRows);
    m_pList->setAccessibleName(tr("Hosts"));
    m_pList->setItemDelegate(new CHostRowDelegate(m_pList));
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true); // thousands of hosts lay out at once
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setSortingEnabled(false);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->header()->setSectionsClickable(false);
    m_pList->header()->setStretchLastSection(true);
    m_pList->installEventFilter(this);
    m_pList->viewport()->installEventFilter(this);
    connect(m_pRows, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int nFirst, int nLast) { OnRowsRemoved(nFirst, nLast); });
    // New rows come into view.
    connect(m_pRows, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int, int nLast) {
                m_pList->scrollTo(m_pRows->index(nLast, 0));
            });

    const QByteArrayList separators = CHostList::EntrySeparators();
    auto* pEdits = new QGridLayout;
    const QString captions[] = {tr("Nickname"), tr("IP-address"), tr("Group-ID")};
    QLineEdit* const edits[] = {m_pNickname, m_pAddress, m_pGroup};
    for (int n = 0; n < 3; ++n) {
        edits[n]->setValidator(new CCodePageValidator(edits[n], separators));
        edits[n]->installEventFilter(this);
        auto* pLabel = new QLabel(captions[n], this);
        pLabel->setBuddy(edits[n]);
        pEdits->addWidget(pLabel, 0, n);
        pEdits->addWidget(edits[n], 1, n);
        connect(edits[n], &QLineEdit::textEdited, this, [this, n](const QString& strText) {
            Q_EMIT Changed();
            OnEdited(n, strText);
        });
    }

    m_pGroup->setToolTip(tr("A group name needs three characters or more: a shorter one reads "
                            "as \"default\" at the next start."));

    auto* pButtons = new QHBoxLayout;
    for (QPushButton* pButton : {m_pCreateRange, m_pAdd, m_pRemove, m_pRemoveAll}) {
        pButton->setAutoDefault(false);
        pButtons->addWidget(pButton);
        connect(pButton, &QPushButton::clicked, this, &CSetupPage::Changed);
    }
    // Changes the list only when a found host is added.
    m_pAddFound->setAutoDefault(false);
    pButtons->addWidget(m_pAddFound);
    pButtons->addStretch(1);
    connect(m_pCreateRange, &QPushButton::clicked, this, &CPageHosts::OnCreateRange);
    connect(m_pAdd, &QPushButton::clicked, this, &CPageHosts::OnAdd);
    connect(m_pRemove, &QPushButton::clicked, this, &CPageHosts::OnRemove);
    connect(m_pRemoveAll, &QPushButton::clicked, this, &CPageHosts::OnRemoveAll);
    connect(m_pAddFound, &QPushButton::clicked, this, &CPageHosts::OnAddFound);
    m_pAddFound->setVisible(m_context.pPresence != nullptr);
    m_pAddFound->setToolTip(tr("Lists the copies of Blipnote announced on the local network "
                               "that are not in the list yet, to add those you choose."));

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pEdits);
    pLayout->addWidget(m_pList, 1);
    pLayout->addLayout(pButtons);
}

void CPageHosts::OnAddFound()
{
    if (!m_context.pPresence)
        return;
    CFoundHostsDlg dialog(m_context.pPresence->PeersNotIn(m_pRows->Rows()), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QList<CHostEntry> chosen = dialog.Chosen();
    if (chosen.isEmpty())
        return;
    m_pRows->Append(chosen);
    Q_EMIT Changed();
}

void CPageHosts::showEvent(QShowEvent* pEvent)
{
    CSetupPage::showEvent(pEvent);
    if (std::exchange(m_bColumnsSized, true))
        return;
    // The columns stand under the edits that change them; with presence shown
    // they make room for it on the right.
    const int nRoom = m_context.pPresence ? m_pNickname->width() / 4 : 0;
    m_pList->setColumnWidth(CHostRowsModel::Nickname, m_pNickname->width() + 5 - nRoom);
    m_pList->setColumnWidth(CHostRowsModel::Address, m_pAddress->width() + 5 - nRoom);
    m_pList->setColumnWidth(CHostRowsModel::Group,
                            std::max(m_pGroup->width() - 15 - 2 * nRoom, 40));
}

int CPageHosts::SelectedRow() const
{
    const QModelIndexList selected = m_pList->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void CPageHosts::LoadCurrentRow()
{
    if (m_nCurrentRow < 0)
        m_nCurrentRow = SelectedRow();
    if (m_nCurrentRow < 0 || m_nCurrentRow >= m_pRows->rowCount())
        return;
    const CHostEntry& row = m_pRows->Rows()[m_nCurrentRow];
    m_pNickname->setText(CodePage::ToUnicode(row.strNickname));
    m_pAddress->setText(CodePage::ToUnicode(row.strAddress));
    m_pGroup->setText(CodePage::ToUnicode(row.strGroup));
}

void CPageHosts::OnEdited(int nColumn, const QString& strText)
{
    // Without a row, what is typed waits for the row that is added next.
    if (m_nCurrentRow < 0 || m_nCurrentRow > m_pRows->rowCount())
        m_nCurrentRow = m_pRows->rowCount();
    QByteArray strCell = CodePage::FromUnicode(strText);
    if (nColumn == CHostRowsModel::Group && strCell.isEmpty())
        strCell = kDefaultGroup;
    m_pRows->SetCell(m_nCurrentRow, nColumn, strCell);
}

void CPageHosts::OnRowsRemoved(int nFirst, int nLast)
{
    // The edits keep changing the row they show, never the one that moved up
    // into its place; a removed row leaves none.
    if (m_nCurrentRow > nLast)
        m_nCurrentRow -= nLast - nFirst + 1; // a later row, or one past the end
    else if (m_nCurrentRow >= nFirst)
        ForgetCurrentRow();
}

void CPageHosts::ForgetCurrentRow()
{
    m_nCurrentRow = -1;
    for (QLineEdit* pEdit : {m_pNickname, m_pAddress, m_pGroup})
        pEdit->clear();
}

bool CPageHosts::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_pList && pEvent->type() == QEvent::KeyPress)
        return OnListKey(static_cast<QKeyEvent*>(pEvent)->key());
    if (pEvent->type() == QEvent::KeyPress &&
        (pWatched == m_pNickname || pWatched == m_pAddress || pWatched == m_pGroup)) {
        const int nKey = static_cast<QKeyEvent*>(pEvent)->key();
        // What was typed for a new host would otherwise go with the sheet's OK.
        if ((nKey == Qt::Key_Return || nKey == Qt::Key_Enter) &&
            (m_nCurrentRow < 0 || m_nCurrentRow >= m_pRows->rowCount())) {
            Q_EMIT Changed();
            OnAdd();
            return true;
        }
    }
    if (pWatched == m_pList->viewport() && pEvent->type() == QEvent::MouseButtonRelease) {
        // The press has selected the row (or none). A click below the rows
        // leaves a row being edited and clears the boxes for a new host.
        const QPoint position = static_cast<QMouseEvent*>(pEvent)->position().toPoint();
        if (!m_pList->indexAt(position).isValid() && m_nCurrentRow >= 0 &&
            m_nCurrentRow < m_pRows->rowCount()) {
            m_pList->clearSelection();
            ForgetCurrentRow();
        } else {
            m_nCurrentRow = SelectedRow();
            LoadCurrentRow();
        }
    }
    return CSetupPage::eventFilter(pWatched, pEvent);
}

bool CPageHosts::OnListKey(int nKey)
{
    // Seen before the list moves its own selection, which it then does.
    const int nLast = m_pRows->rowCount() - 1;
    // Without a selection the list moves on from its current row.
    int nSelected = SelectedRow();
    if (nSelected < 0)
        nSelected = m_pList->currentIndex().row();
    switch (nKey) {
    case Qt::Key_Home:
        m_nCurrentRow = nLast >= 0 ? 0 : -1;
        break;
    case Qt::Key_End:
        m_nCurrentRow = nLast;
        break;
    case Qt::Key_Up:
        m_nCurrentRow = std::max(nSelected - 1, 0);
        break;
    case Qt::Key_Down:
        m_nCurrentRow = std::min(nSelected + 1, nLast);
        break;
    case Qt::Key_Delete:
        OnRemove();
        Q_EMIT Changed(); // a change like any other: Apply may take it
        return true;
    default:
        return false;
    }
    LoadCurrentRow();
    return false;
}

void CPageHosts::OnAdd()
{
    if (m_pNickname->text().isEmpty() || m_pAddress->text().isEmpty()) {
        m_context.prompts.ShowMessage(tr("At least name- and IP-addres -fields \nmust be filled!"),
                                      PromptIcon::Stop);
        return;
    }
    CHostEntry row{CodePage::FromUnicode(m_pNickname->text()),
                   CodePage::FromUnicode(m_pAddress->text()),
                   CodePage::FromUnicode(m_pGroup->text())};
    if (row.strGroup.isEmpty())
        row.strGroup = kDefaultGroup;
    // The edits typed for a new row clear for the next host once it is added,
    // so that typing that one cannot change it; a row being edited stays theirs.
    const bool bNewRow = m_nCurrentRow < 0 || m_nCurrentRow >= m_pRows->rowCount();
    m_pRows->Append({row});
    if (bNewRow) {
        ForgetCurrentRow();
        m_pNickname->setFocus();
    }
}

void CPageHosts::OnRemove()
{
    m_pRows->Remove(SelectedRow());
}

void CPageHosts::OnRemoveAll()
{
    m_pRows->RemoveAll();
}

void CPageHosts::OnCreateRange()
{
    CHostRangeDlg dialog(this);
    if (dialog.exec() == QDialog::Accepted)
        m_pRows->Append(dialog.Rows());
}

void CPageHosts::Apply()
{
    m_context.hosts.Replace(m_pRows->Rows(), m_pRows->Origins());
    m_pRows->MarkStored();
}
