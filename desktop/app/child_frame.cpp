#include "desktop/app/child_frame.h"

#include "core/documents/blipnote_doc.h"
#include "core/interfaces/prompts.h"
#include "core/text/code_page.h"
#include "core/text/shown_text.h"
#include "desktop/resources/icon_list.h"
#include "desktop/views/note_view.h"
#include "desktop/views/rich_text_ctrl.h"

#include <QCloseEvent>

CChildFrame::CChildFrame(CNoteView* pView, IPrompts& prompts, QWidget* pParent)
    : QMdiSubWindow(pParent), m_pView(pView), m_prompts(prompts)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(pView);
    const CBlipnoteDoc* pDoc = pView->Document();
    setWindowIcon(CIconList::NoteIcon(pDoc && pDoc->IsIncoming()));
    UpdateTitle();
    if (CBlipnoteDoc* pDoc = pView->Document())
        connect(pDoc, &CSendableNote::TitleChanged, this, &CChildFrame::UpdateTitle);
}

void CChildFrame::UpdateTitle()
{
    const CBlipnoteDoc* pDoc = m_pView->Document();
    if (!pDoc)
        return;
    const QString strTitle = CodePage::ToUnicode(ShownText::Of(pDoc->Title()));
    setWindowTitle(pDoc->IsAutomaticAnswer() ? tr("%1 (automatic answer)").arg(strTitle)
                                             : strTitle);
}

void CChildFrame::CloseWithoutQuestion()
{
    m_bClosingQuietly = true;
    close();
}

void CChildFrame::closeEvent(QCloseEvent* pEvent)
{
    if (!m_bClosingQuietly && m_pView->Editor().document()->isModified()) {
        const CBlipnoteDoc* pDoc = m_pView->Document();
        const QString strTitle =
            pDoc ? CodePage::ToUnicode(ShownText::Of(pDoc->Title())) : QString();
        switch (m_prompts.AskYesNoCancel(tr("Save changes to %1?").arg(strTitle))) {
        case PromptAnswer::Cancel:
            pEvent->ignore();
            return;
        case PromptAnswer::Yes:
            Q_EMIT SaveRequested();
            if (m_pView->Editor().document()->isModified()) {
                pEvent->ignore(); // the save did not happen
                return;
            }
            break;
        case PromptAnswer::No:
            break;
        }
    }
    if (!m_bClosingQuietly)
        Q_EMIT NoteClosed();
    QMdiSubWindow::closeEvent(pEvent);
}
