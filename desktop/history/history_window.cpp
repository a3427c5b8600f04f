#include "desktop/history/history_window.h"

#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/documents/doc_template.h"
#include "core/history/history_recorder.h"
#include "core/interfaces/prompts.h"
#include "core/notes/note_file.h"
#include "core/notes/tagged_text.h"
#include "core/text/code_page.h"
#include "core/text/shown_text.h"
#include "desktop/history/history_rows_model.h"
#include "desktop/views/msg_in_view.h"
#include "desktop/views/msg_out_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QPushButton* Button(const QString& strText, QLayout* pLayout)
{
    auto* pButton = new QPushButton(strText);
    pLayout->addWidget(pButton);
    return pButton;
}

QByteArray TimeTextOf(const CHistoryNote& note)
{
    return !note.strNoteTime.isEmpty()
               ? note.strNoteTime
               : CBlipnoteDoc::TimeText(QDateTime::fromMSecsSinceEpoch(note.nTime));
}

} // namespace

QTableView* CHistoryWindow::NewNoteList(QAbstractItemModel* pRows)
{
    auto* pList = new QTableView;
    pList->setModel(pRows);
    pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pList->setShowGrid(false);
    pList->setWordWrap(false);
    pList->verticalHeader()->hide();
    pList->verticalHeader()->setDefaultSectionSize(pList->fontMetrics().height() + 6);
    return pList;
}

CHistoryWindow::CHistoryWindow(CHistoryRecorder& history, CDocManager& documents, IPrompts& prompts,
                               QWidget* pParent)
    : QWidget(pParent, Qt::Window), m_history(history), m_documents(documents), m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("History"));
    auto* pLayout = new QVBoxLayout(this);
    auto* pFilters = new QHBoxLayout;
    m_pSearch = new QLineEdit;
    m_pSearch->setPlaceholderText(QStringLiteral("Search nicknames, titles and texts"));
    m_pSearch->setClearButtonEnabled(true);
    m_pHost = new QLineEdit;
    m_pHost->setPlaceholderText(QStringLiteral("Host address"));
    m_pHost->setClearButtonEnabled(true);
    m_pDirection = new QComboBox;
    m_pDirection->addItems(
        {QStringLiteral("Received and sent"), QStringLiteral("Received"), QStringLiteral("Sent")});
    pFilters->addWidget(m_pSearch, 3);
    pFilters->addWidget(m_pHost, 1);
    pFilters->addWidget(m_pDirection);
    pLayout->addLayout(pFilters);

    m_pRows = new CHistoryRowsModel(history.Store(), this);
    m_pList = NewNoteList(m_pRows);
    m_pList->horizontalHeader()->setStretchLastSection(false);
    m_pList->horizontalHeader()->setSectionResizeMode(CHistoryRowsModel::FirstLine,
                                                      QHeaderView::Stretch);
    const int nChar = m_pList->fontMetrics().averageCharWidth();
    m_pList->setColumnWidth(CHistoryRowsModel::Time, 19 * nChar);
    m_pList->setColumnWidth(CHistoryRowsModel::Direction, 7 * nChar);
    m_pList->setColumnWidth(CHistoryRowsModel::Host, 20 * nChar);
    m_pList->setColumnWidth(CHistoryRowsModel::Nickname, 12 * nChar);
    m_pList->setColumnWidth(CHistoryRowsModel::Result, 20 * nChar);
    pLayout->addWidget(m_pList, 1);

    auto* pButtons = new QHBoxLayout;
    m_pState = new QLabel;
    pButtons->addWidget(m_pState, 1);
    m_pOpen = Button(QStringLiteral("&Open"), pButtons);
    m_pReply = Button(QStringLiteral("&Reply"), pButtons);
    m_pSaveAs = Button(QStringLiteral("Save &As..."), pButtons);
    m_pDelete = Button(QStringLiteral("&Delete"), pButtons);
    QPushButton* pClose = Button(QStringLiteral("&Close"), pButtons);
    pLayout->addLayout(pButtons);
    resize(125 * nChar, 30 * m_pList->verticalHeader()->defaultSectionSize());

    m_typing.setSingleShot(true);
    m_typing.setInterval(TypingPause);
    connect(&m_typing, &QTimer::timeout, this, &CHistoryWindow::ApplyFilter);
    connect(m_pSearch, &QLineEdit::textChanged, &m_typing, qOverload<>(&QTimer::start));
    connect(m_pHost, &QLineEdit::textChanged, &m_typing, qOverload<>(&QTimer::start));
    connect(m_pDirection, &QComboBox::currentIndexChanged, this, &CHistoryWindow::ApplyFilter);
    connect(m_pList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CHistoryWindow::UpdateButtons);
    connect(m_pRows, &QAbstractItemModel::modelReset, this, &CHistoryWindow::UpdateButtons);
    connect(m_pRows, &QAbstractItemModel::modelReset, this, &CHistoryWindow::ShowState);
    connect(m_pRows, &CHistoryRowsModel::ErrorChanged, this, &CHistoryWindow::ShowState);
    connect(m_pList, &QTableView::activated, this, &CHistoryWindow::OnOpen);
    connect(m_pOpen, &QPushButton::clicked, this, &CHistoryWindow::OnOpen);
    connect(m_pReply, &QPushButton::clicked, this, &CHistoryWindow::OnReply);
    connect(m_pSaveAs, &QPushButton::clicked, this, &CHistoryWindow::OnSaveAs);
    connect(m_pDelete, &QPushButton::clicked, this, &CHistoryWindow::OnDelete);
    connect(pClose, &QPushButton::clicked, this, &QWidget::close);
    auto* pDeleteKey = new QShortcut(QKeySequence::Delete, m_pList);
    pDeleteKey->setContext(Qt::WidgetShortcut);
    connect(pDeleteKey, &QShortcut::activated, this, &CHistoryWindow::OnDelete);
    connect(new QShortcut(QKeySequence::Refresh, this), &QShortcut::activated, this,
            &CHistoryWindow::Reload);
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
        m_pSearch->setFocus();
        m_pSearch->selectAll();
    });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);

    // New notes show at the top, unless the user has scrolled away from it;
    // those another program keeps (blipnote-cli listen --history) are looked
    // for every second while the window shows.
    m_changed.setSingleShot(true);
    m_changed.setInterval(300);
    m_otherWriters.setInterval(1000);
    connect(&m_otherWriters, &QTimer::timeout, this, [this] {
        if (m_history.Store().LastId() != m_nLastId && !m_changed.isActive())
            m_changed.start();
    });
    // (Not restarted by each change: a flood of notes must not hold it off.)
    connect(&history, &CHistoryRecorder::Changed, this, [this] {
        if (!m_changed.isActive())
            m_changed.start();
    });
    connect(&m_changed, &QTimer::timeout, this, &CHistoryWindow::OnHistoryChanged);
    UpdateButtons();
    ShowState();
}

CHistoryWindow::~CHistoryWindow() = default;

void CHistoryWindow::ApplyFilter()
{
    m_typing.stop();
    CHistoryFilter filter;
    filter.strSearch = m_pSearch->text();
    filter.strHost = CodePage::FromUnicode(m_pHost->text().trimmed());
    if (m_pDirection->currentIndex() == 1)
        filter.direction = EHistoryDirection::In;
    else if (m_pDirection->currentIndex() == 2)
        filter.direction = EHistoryDirection::Out;
    m_pRows->SetFilter(filter);
}

void CHistoryWindow::OnHistoryChanged()
{
    if (isVisible() && m_pList->verticalScrollBar()->value() == 0)
        Reload();
}

void CHistoryWindow::Reload()
{
    // The notes selected stay selected, where they still are in the list.
    const std::vector<qint64> selected = SelectedIds();
    const CHistoryRow* pCurrent = m_pRows->Row(m_pList->currentIndex().row());
    const qint64 nCurrent = pCurrent ? pCurrent->nId : 0;
    m_nLastId = m_history.Store().LastId();
    m_pRows->Reload();
    QItemSelection selection;
    for (int nRow = 0; nRow < m_pRows->rowCount(); ++nRow) {
        const qint64 nId = m_pRows->Row(nRow)->nId;
        if (nId == nCurrent)
            m_pList->selectionModel()->setCurrentIndex(m_pRows->index(nRow, 0),
                                                       QItemSelectionModel::NoUpdate);
        if (std::find(selected.begin(), selected.end(), nId) != selected.end())
            selection.select(m_pRows->index(nRow, 0),
                             m_pRows->index(nRow, CHistoryRowsModel::ColumnCount - 1));
    }
    m_pList->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void CHistoryWindow::showEvent(QShowEvent* pEvent)
{
    // What came while it was closed is there when it opens again.
    Reload();
    m_otherWriters.start();
    QWidget::showEvent(pEvent);
}

void CHistoryWindow::hideEvent(QHideEvent* pEvent)
{
    m_otherWriters.stop();
    QWidget::hideEvent(pEvent);
}

void CHistoryWindow::ShowState()
{
    if (!m_pRows->Error().isEmpty())
        m_history.ReportFailure(m_pRows->Error()); // a damaged file goes aside
    if (!m_pRows->Error().isEmpty())
        m_pState->setText(QStringLiteral("The history cannot be read: ") + m_pRows->Error());
    else if (m_pRows->rowCount() == 0)
        m_pState->setText(m_pRows->Filter().strSearch.isEmpty() &&
                                  m_pRows->Filter().strHost.isEmpty() &&
                                  !m_pRows->Filter().direction
                              ? QStringLiteral("No notes kept yet")
                              : QStringLiteral("No note matches"));
    else
        m_pState->clear();
}

void CHistoryWindow::UpdateButtons()
{
    const std::vector<qint64> ids = SelectedIds();
    const CHistoryRow* pRow = m_pRows->Row(m_pList->currentIndex().row());
    const bool bOne = ids.size() == 1 && pRow;
    m_pOpen->setEnabled(bOne);
    m_pSaveAs->setEnabled(bOne);
    m_pReply->setEnabled(bOne && pRow->eDirection == EHistoryDirection::In);
    m_pDelete->setEnabled(!ids.empty());
}

std::vector<qint64> CHistoryWindow::SelectedIds() const
{
    std::vector<qint64> ids;
    for (const QModelIndex& index : m_pList->selectionModel()->selectedRows()) {
        if (const CHistoryRow* pRow = m_pRows->Row(index.row()))
            ids.push_back(pRow->nId);
    }
    return ids;
}

std::optional<CHistoryNote> CHistoryWindow::CurrentNote()
{
    const CHistoryRow* pRow = m_pRows->Row(m_pList->currentIndex().row());
    if (!pRow)
        return std::nullopt;
    QString strError;
    std::optional<CHistoryNote> note = m_history.Store().Get(pRow->nId, &strError);
    if (!note)
        m_prompts.ShowMessage(
            QStringLiteral("The note cannot be read from the history: %1.").arg(strError),
            PromptIcon::Stop);
    return note;
}

CBlipnoteDoc* CHistoryWindow::OpenNote(const CHistoryNote& note)
{
    const bool bIn = note.eDirection == EHistoryDirection::In;
    // A received note as it came; any other from its fields.
    const QByteArray strText =
        bIn && !note.strRaw.isEmpty()
            ? note.strRaw
            : TaggedText::ComposeWithAddress(
                  {note.strNickname, note.strBody, note.strSystem, note.strSubject, note.nPriority},
                  note.strHost);
    // Neither added to the host list nor answered again: it was, when it came.
    m_pLastOpened = m_documents.NewNote(
        bIn ? EDocKind::MessageIn : EDocKind::MessageOut, strText,
        {.bAddSender = false, .bMayAutoReply = false, .strTime = TimeTextOf(note)});
    // An outgoing note shows where it went and how urgent it was.
    if (auto* pView = m_pLastOpened && !bIn ? dynamic_cast<CMsgOutView*>(NoteViewOf(*m_pLastOpened))
                                            : nullptr) {
        pView->SetRecipientText(note.strHost);
        pView->PriorityBox().setChecked(note.nPriority != 0);
    }
    return m_pLastOpened;
}

void CHistoryWindow::OnOpen()
{
    if (const std::optional<CHistoryNote> note = CurrentNote())
        OpenNote(*note);
}

void CHistoryWindow::OnReply()
{
    const std::optional<CHistoryNote> note = CurrentNote();
    if (!note || note->eDirection != EHistoryDirection::In)
        return;
    if (CBlipnoteDoc* pDoc = OpenNote(*note)) {
        if (auto* pView = dynamic_cast<CMsgInView*>(NoteViewOf(*pDoc)))
            m_pLastOpened = pView->Reply();
    }
}

void CHistoryWindow::OnSaveAs()
{
    const std::optional<CHistoryNote> note = CurrentNote();
    if (!note)
        return;
    const CDocTemplate& docTemplate = m_documents.Template(
        note->eDirection == EHistoryDirection::In ? EDocKind::MessageIn : EDocKind::MessageOut);
    QString strName = CodePage::ToUnicode(
        ShownText::Of(note->strSubject.isEmpty() ? note->strNickname.trimmed() : note->strSubject));
    strName.replace(QLatin1Char('/'), QLatin1Char('-'));
    if (strName.isEmpty())
        strName = QStringLiteral("note");
    const QString strFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString strPath = m_prompts.AskSaveFileName(
        QDir(strFolder).filePath(strName + docTemplate.DefaultExtension()),
        docTemplate.FilterName() + QStringLiteral(";;All Files (*)"));
    if (strPath.isEmpty())
        return;
    CNoteRecord record;
    record.m_nPriority = note->nPriority;
    record.m_strNickname = note->strNickname;
    record.m_strSubject = note->strSubject;
    record.m_strTime = TimeTextOf(*note);
    record.m_strBody = note->strBody;
    record.m_strAddress = note->strHost;
    record.m_strSystem = note->strSystem;
    if (note->eDirection == EHistoryDirection::Out && note->eOrigin == EHistoryOrigin::Network) {
        const bool bAll = std::all_of(note->recipients.begin(), note->recipients.end(),
                                      [](const CHistoryRecipient& recipient) {
                                          return recipient.eResult == ERecipientResult::Delivered;
                                      });
        record.m_nSendState = bAll ? 1 : -1;
    }
    QString strError;
    QString strReason;
    if (!NoteFile::Save(strPath, record, note->strSubject, &strError, &strReason))
        m_prompts.ShowMessage(strReason.isEmpty() ? strError
                                                  : strError + QLatin1Char('\n') + strReason,
                              PromptIcon::Stop);
}

void CHistoryWindow::OnDelete()
{
    const std::vector<qint64> ids = SelectedIds();
    if (ids.empty())
        return;
    const QString strQuestion =
        ids.size() == 1 ? QStringLiteral("Delete this note from the history?")
                        : QStringLiteral("Delete these %1 notes from the history?").arg(ids.size());
    if (!m_prompts.AskYesNo(strQuestion))
        return;
    const int nRow = m_pList->currentIndex().row();
    QString strError;
    if (!m_history.Store().Delete(ids, &strError))
        m_prompts.ShowMessage(QStringLiteral("The notes cannot be deleted: %1.").arg(strError),
                              PromptIcon::Stop);
    m_pRows->Reload();
    // The next note takes the place of the deleted ones, for the next key.
    const int nNext = std::min(nRow, m_pRows->rowCount() - 1);
    if (nNext >= 0)
        m_pList->setCurrentIndex(m_pRows->index(nNext, 0));
}
