#include "desktop/finger/finger_queries_dlg.h"

#include "core/finger/finger_query_log.h"
#include "core/text/code_page.h"
#include "desktop/resources/icon_list.h"
#include "desktop/views/screen_scale.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

CFingerQueriesDlg::CFingerQueriesDlg(CFingerQueryLog& log, QWidget* pParent)
    : QDialog(pParent), m_log(log), m_pList(new QTreeWidget(this))
{
    setWindowTitle(tr("Blipnote - FingerDaemon"));
    auto* pFrame = new QGroupBox(tr("Received finger-queries"), this);
    m_pList->setRootIsDecorated(false);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setSortingEnabled(false);
    m_pList->setHeaderLabels({tr("Time:"), tr("Query:"), tr("From:")});
    const int widths[] = {140, 140, 105};
    for (int n = 0; n < 3; ++n)
        m_pList->setColumnWidth(n, ScaledPx(*this, widths[n]));
    for (const CFingerQueryLog::CRow& row : log.Rows()) {
        auto* pItem = new QTreeWidgetItem(m_pList, {CodePage::ToUnicode(row.strTime),
                                                    CodePage::ToUnicode(row.strQuery),
                                                    CodePage::ToUnicode(row.strFrom)});
        pItem->setIcon(
            0, CIconList::Icon(row.strQuery.isEmpty() ? CIconList::Computer : CIconList::Nickname));
    }
    (new QVBoxLayout(pFrame))->addWidget(m_pList);

    auto* pButtons = new QDialogButtonBox(this);
    pButtons->addButton(tr("&Ok"), QDialogButtonBox::AcceptRole)->setDefault(true);
    QPushButton* pClear = pButtons->addButton(tr("&Clear All"), QDialogButtonBox::ActionRole);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pClear, &QPushButton::clicked, this, &CFingerQueriesDlg::OnClearAll);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pFrame);
    pLayout->addWidget(pButtons);
    resize(ScaledSize(*this, {440, 320}));
}

void CFingerQueriesDlg::OnClearAll()
{
    m_log.Clear();
    m_pList->clear();
}
