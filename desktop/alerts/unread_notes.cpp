#include "desktop/alerts/unread_notes.h"

#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/text/code_page.h"
#include "core/text/shown_text.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/main_frame.h"
#include "desktop/views/note_view.h"

#include <QApplication>
#include <QWindow>

namespace {
// Names beyond these many are left out of the summary.
constexpr int kNamesShown = 3;
// One line of a peer's text, bounded, as the program shows names elsewhere.
QString OneLine(const QByteArray& strBytes)
{
    return CodePage::ToUnicode(ShownText::Of(strBytes));
}
} // namespace

CUnreadNotes::CUnreadNotes(CMainFrame& mainFrame, CDocManager& documents, QObject* pParent)
    : QObject(pParent), m_mainFrame(mainFrame)
{
    connect(&documents, &CDocManager::DocumentClosing, this, &CUnreadNotes::Remove);
    // Looked at once the window has settled: showing the main window activates
    // each of its maximised note windows in turn, and only the last is seen.
    m_checkSeen.setSingleShot(true);
    m_checkSeen.setInterval(0);
    connect(&m_checkSeen, &QTimer::timeout, this, &CUnreadNotes::CheckSeen);
    connect(&m_mainFrame, &CMainFrame::NoteWindowActivated, &m_checkSeen,
            qOverload<>(&QTimer::start));
    connect(qApp, &QGuiApplication::focusWindowChanged, &m_checkSeen, qOverload<>(&QTimer::start));
}

bool CUnreadNotes::Contains(const CBlipnoteDoc* pDoc) const
{
    return std::find(m_notes.cbegin(), m_notes.cend(), pDoc) != m_notes.cend();
}

bool CUnreadNotes::IsSeen(const CBlipnoteDoc* pDoc) const
{
    // (A hidden or minimised window may still count as the active one.)
    const CChildFrame* pFrame = m_mainFrame.ActiveNoteWindow();
    return m_mainFrame.isActiveWindow() && m_mainFrame.isVisible() && !m_mainFrame.isMinimized() &&
           pFrame && pFrame->View()->Document() == pDoc;
}

void CUnreadNotes::Add(CBlipnoteDoc* pDoc)
{
    if (!pDoc || Contains(pDoc))
        return;
    if (!m_mainFrame.isActiveWindow() || !m_mainFrame.isVisible())
        QApplication::alert(&m_mainFrame);
    if (IsSeen(pDoc))
        return;
    m_notes.append(pDoc);
    Q_EMIT Added(pDoc);
    Q_EMIT Changed();
}

void CUnreadNotes::CheckSeen()
{
    const CChildFrame* pFrame = m_mainFrame.ActiveNoteWindow();
    if (pFrame && IsSeen(pFrame->View()->Document()))
        Remove(pFrame->View()->Document());
}

void CUnreadNotes::Remove(CBlipnoteDoc* pDoc)
{
    if (!m_notes.removeOne(pDoc))
        return;
    Q_EMIT Read(pDoc);
    Q_EMIT Changed();
}

void CUnreadNotes::ShowNote(CBlipnoteDoc* pDoc)
{
    if (!Contains(pDoc) && !m_notes.isEmpty())
        pDoc = m_notes.constFirst();
    const CNoteView* pView = pDoc ? NoteViewOf(*pDoc) : nullptr;
    if (auto* pFrame = pView ? qobject_cast<CChildFrame*>(pView->parentWidget()) : nullptr)
        m_mainFrame.ShowNoteWindow(pFrame);
    else
        m_mainFrame.ShowAndRestore();
    m_checkSeen.start();
}

QString CUnreadNotes::SenderOf(const CBlipnoteDoc& doc)
{
    return SenderOf(doc.m_strNickname, doc.m_strAddress);
}

QString CUnreadNotes::SenderOf(const QByteArray& strNickname, const QByteArray& strAddressBytes)
{
    const QString strName = OneLine(strNickname);
    const QString strAddress = OneLine(strAddressBytes);
    if (strAddress.isEmpty())
        return strName;
    return strName.isEmpty() ? strAddress : QStringLiteral("%1 (%2)").arg(strName, strAddress);
}

QString CUnreadNotes::Summary() const
{
    if (m_notes.isEmpty())
        return QString();
    const QString strFrom = NamesOf(m_notes);
    return m_notes.size() == 1
               ? QStringLiteral("Unread note from %1").arg(strFrom)
               : QStringLiteral("%1 unread notes from %2").arg(m_notes.size()).arg(strFrom);
}

QString CUnreadNotes::NamesOf(const QList<CBlipnoteDoc*>& notes)
{
    QStringList names;
    for (auto it = notes.crbegin(); it != notes.crend() && names.size() <= kNamesShown; ++it) {
        QString strName = OneLine((*it)->m_strNickname);
        if (strName.isEmpty())
            strName = OneLine((*it)->m_strAddress);
        if (!names.contains(strName))
            names.append(strName);
    }
    if (names.size() > kNamesShown) {
        names.resize(kNamesShown);
        names.last() += QStringLiteral(", ...");
    }
    return names.join(QStringLiteral(", "));
}
