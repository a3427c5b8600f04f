#include "desktop/history/outbox_window.h"

#include "core/interfaces/prompts.h"
#include "core/outbox/outbox.h"
#include "desktop/history/history_window.h"
#include "desktop/history/outbox_rows_model.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

COutboxWindow::COutboxWindow(COutbox& outbox, IPrompts& prompts, QWidget* pParent)
    : QWidget(pParent, Qt::Window), m_outbox(outbox), m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("Outbox"));
    auto* pLayout = new QVBoxLayout(this);
    auto* pHint = new QLabel(
        QStringLiteral("Notes wait here for hosts that could not be reached, and are tried "
                       "again now and then. A note whose delivery is unknown went out but got "
                       "no answer: it may have arrived, and is sent again only if you say so."));
    pHint->setWordWrap(true);
    pLayout->addWidget(pHint);

    m_pRows = new COutboxRowsModel(outbox, this);
    m_pList = CHistoryWindow::NewNoteList(m_pRows);
    m_pList->horizontalHeader()->setSectionResizeMode(COutboxRowsModel::FirstLine,
                                                      QHeaderView::Stretch);
    const int nChar = m_pList->fontMetrics().averageCharWidth();
    m_pList->setColumnWidth(COutboxRowsModel::To, 20 * nChar);
    m_pList->setColumnWidth(COutboxRowsModel::Queued, 19 * nChar);
    m_pList->setColumnWidth(COutboxRowsModel::Attempts, 6 * nChar);
    m_pList->setColumnWidth(COutboxRowsModel::State, 10 * nChar);
    m_pList->setColumnWidth(COutboxRowsModel::Reason, 33 * nChar);
    m_pList->setColumnWidth(COutboxRowsModel::NextTry, 19 * nChar);
    pLayout->addWidget(m_pList, 1);

    auto* pButtons = new QHBoxLayout;
    m_pState = new QLabel;
    pButtons->addWidget(m_pState, 1);
    m_pSendNow = new QPushButton(QStringLiteral("Send &now"));
    m_pCancel = new QPushButton(QStringLiteral("&Cancel"));
    auto* pClose = new QPushButton(QStringLiteral("C&lose"));
    for (QPushButton* pButton : {m_pSendNow, m_pCancel, pClose})
        pButtons->addWidget(pButton);
    pLayout->addLayout(pButtons);
    resize(145 * nChar, 22 * m_pList->verticalHeader()->defaultSectionSize());

    connect(m_pSendNow, &QPushButton::clicked, this, &COutboxWindow::OnSendNow);
    connect(m_pCancel, &QPushButton::clicked, this, &COutboxWindow::OnCancel);
    connect(pClose, &QPushButton::clicked, this, &QWidget::close);
    connect(m_pList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &COutboxWindow::UpdateButtons);
    connect(m_pRows, &QAbstractItemModel::modelReset, this, &COutboxWindow::UpdateButtons);
    auto* pDeleteKey = new QShortcut(QKeySequence::Delete, m_pList);
    pDeleteKey->setContext(Qt::WidgetShortcut);
    connect(pDeleteKey, &QShortcut::activated, this, &COutboxWindow::OnCancel);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);

    // Tries change the list often: it follows a moment later, once for many.
    m_changed.setSingleShot(true);
    m_changed.setInterval(200);
    connect(&outbox, &COutbox::Changed, this, [this] {
        if (isVisible() && !m_changed.isActive())
            m_changed.start();
    });
    connect(&m_changed, &QTimer::timeout, this, &COutboxWindow::Reload);
    UpdateButtons();
}

COutboxWindow::~COutboxWindow() = default;

QString COutboxWindow::CancelQuestion(int nNotes)
{
    return nNotes == 1 ? QStringLiteral("Take this note out of the outbox? It will not be sent.")
                       : QStringLiteral("Take these %1 notes out of the outbox? They will not be "
                                        "sent.")
                             .arg(nNotes);
}

void COutboxWindow::showEvent(QShowEvent* pEvent)
{
    Reload();
    // The oldest note is chosen, for the keys and buttons to act on at once.
    if (SelectedIds().empty() && m_pRows->rowCount() > 0)
        m_pList->selectRow(0);
    QWidget::showEvent(pEvent);
}

void COutboxWindow::Reload()
{
    // The notes selected stay selected, where they still are.
    const std::vector<qint64> selected = SelectedIds();
    const COutboxEntry* pCurrent = m_pRows->Row(m_pList->currentIndex().row());
    const qint64 nCurrent = pCurrent ? pCurrent->nId : 0;
    m_pRows->Reload();
    QItemSelection selection;
    for (const qint64 nId : selected) {
        const int nRow = m_pRows->RowOf(nId);
        if (nRow >= 0)
            selection.select(m_pRows->index(nRow, 0),
                             m_pRows->index(nRow, COutboxRowsModel::ColumnCount - 1));
    }
    if (const int nRow = m_pRows->RowOf(nCurrent); nRow >= 0)
        m_pList->selectionModel()->setCurrentIndex(m_pRows->index(nRow, 0),
                                                   QItemSelectionModel::NoUpdate);
    m_pList->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_pState->setText(m_pRows->rowCount() == 0 ? QStringLiteral("No note waits") : QString());
}

void COutboxWindow::UpdateButtons()
{
    const bool bAny = !SelectedIds().empty();
    m_pSendNow->setEnabled(bAny);
    m_pCancel->setEnabled(bAny);
}

std::vector<qint64> COutboxWindow::SelectedIds() const
{
    std::vector<qint64> ids;
    for (const QModelIndex& index : m_pList->selectionModel()->selectedRows()) {
        if (const COutboxEntry* pRow = m_pRows->Row(index.row()))
            ids.push_back(pRow->nId);
    }
    return ids;
}

void COutboxWindow::OnSendNow()
{
    for (const qint64 nId : SelectedIds())
        m_outbox.SendNow(nId);
    Reload();
}

void COutboxWindow::OnCancel()
{
    const std::vector<qint64> ids = SelectedIds();
    if (ids.empty() || !m_prompts.AskYesNo(CancelQuestion(static_cast<int>(ids.size()))))
        return;
    for (const qint64 nId : ids)
        m_outbox.Cancel(nId);
    Reload();
}
