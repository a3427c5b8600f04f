#include "desktop/finger/seeker_dlg.h"

#include "core/interfaces/prompts.h"
#include "core/settings/app_settings.h"
#include "desktop/finger/seek_rows_model.h"
#include "desktop/views/screen_scale.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

CSeekerDlg::CSeekerDlg(const CAppSettings& settings, const CHostList& hosts, IPrompts& prompts,
                       std::function<void(const QByteArray&)> writeTo, QWidget* pParent)
    : QDialog(pParent), m_settings(settings), m_hosts(hosts), m_prompts(prompts),
      m_writeTo(std::move(writeTo)), m_pRows(new CSeekRowsModel(this)),
      m_pList(new QTreeView(this)), m_pProgress(new QProgressBar(this)),
      m_pWrite(new QPushButton(tr("&Write msg"), this)),
      m_pSeek(new QPushButton(tr("&Seek"), this)), m_pClose(new QPushButton(tr("&Close"), this))
{
    setWindowTitle(tr("Blipnote - Seeker"));
    setSizeGripEnabled(true);
    m_pList->setModel(m_pRows);
    m_pList->setAccessibleName(tr("Seek results"));
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true); // tens of thousands of rows lay out at once
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setSortingEnabled(false);
    m_pList->header()->setSectionsClickable(false);
    const int widths[] = {110, 80, 120, 100, 200, 220, 120, 140};
    for (int n = 0; n < CSeekRowsModel::ColumnCount; ++n)
        m_pList->setColumnWidth(n, ScaledPx(*this, widths[n]));
    m_pProgress->setRange(0, 1);
    m_pProgress->setValue(0);
    m_pProgress->setTextVisible(false);

    auto* pProgressFrame = new QGroupBox(tr("Seek progress"), this);
    (new QVBoxLayout(pProgressFrame))->addWidget(m_pProgress);
    auto* pBottom = new QHBoxLayout;
    pBottom->addWidget(pProgressFrame, 1);
    for (QPushButton* pButton : {m_pWrite, m_pSeek, m_pClose}) {
        pButton->setAutoDefault(false);
        pBottom->addWidget(pButton, 0, Qt::AlignBottom);
    }
    auto* pHosts = new QGroupBox(tr("Hosts"), this);
    auto* pHostsLayout = new QVBoxLayout(pHosts);
    pHostsLayout->addWidget(m_pList, 1);
    pHostsLayout->addLayout(pBottom);
    (new QVBoxLayout(this))->addWidget(pHosts);
    setMinimumSize(ScaledSize(*this, {400, 170}));
    resize(ScaledSize(*this, {500, 300}));

    connect(m_pSeek, &QPushButton::clicked, this, &CSeekerDlg::OnSeek);
    connect(m_pWrite, &QPushButton::clicked, this, &CSeekerDlg::OnWriteMsg);
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::hide);
    connect(&m_seeker, &CSeeker::RowReady, this, &CSeekerDlg::OnRow);
    connect(&m_seeker, &CSeeker::SeekDone, this, &CSeekerDlg::OnSeekDone);
}

CSeekerDlg::~CSeekerDlg()
{
    // Probes still running end here, quietly.
    m_seeker.disconnect(this);
    m_seeker.Cancel();
}

void CSeekerDlg::OnSeek()
{
    if (m_seeker.IsSeeking()) {
        m_prompts.ShowMessage(tr("Please wait until all seek-threads has finished"),
                              PromptIcon::Information);
        return;
    }
    setCursor(Qt::WaitCursor);
    m_pRows->Clear();
    m_pSeek->setEnabled(false);
    m_pWrite->setEnabled(false);
    CSeeker::CPlan plan;
    plan.targets = SeekRow::Targets(m_hosts.Entries());
    plan.strNickname = m_settings.SenderNickname();
    plan.nPort = m_nFingerPort;
    m_pProgress->setRange(0, std::max<int>(1, static_cast<int>(plan.targets.size())));
    m_pProgress->setValue(0);
    m_seeker.Start(std::move(plan));
}

void CSeekerDlg::OnRow(const SeekRow::CRow& row)
{
    m_pRows->Append(row);
    m_pProgress->setValue(m_seeker.Finished());
}

void CSeekerDlg::OnSeekDone()
{
    m_pRows->Flush();
    m_pSeek->setEnabled(true);
    m_pWrite->setEnabled(true);
    m_pProgress->setValue(0);
    unsetCursor();
}

void CSeekerDlg::OnWriteMsg()
{
    const QModelIndex current = m_pList->currentIndex();
    m_writeTo(current.isValid() ? m_pRows->AddressOf(current.row()) : QByteArray());
}
