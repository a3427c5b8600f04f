#include "desktop/views/note_view.h"

#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_context.h"
#include "core/interfaces/prompts.h"
#include "core/notes/note_limits.h"
#include "core/text/code_page.h"
#include "core/text/shown_text.h"
#include "desktop/views/rich_text_ctrl.h"
#include "desktop/views/screen_scale.h"
#include "desktop/views/view_context.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScopedValueRollback>
#include <QStyleOptionFrame>

#include <optional>

namespace {

// The printer set up for this run, else one made in own for this print.
QPrinter& PrinterToUse(const CViewContext& context, std::optional<QPrinter>& own)
{
    if (context.printer)
        return context.printer();
    return own.emplace(QPrinter::HighResolution);
}

} // namespace

CNoteView::CNoteView(CBlipnoteDoc& doc, CViewContext& context, int nHeaderHeight, QWidget* pParent)
    : QWidget(pParent), m_context(context), m_pDoc(&doc), m_pEditor(new CRichTextCtrl(this)),
      m_nHeaderHeight(nHeaderHeight)
{
    m_pEditor->setAccessibleName(tr("Note text"));
    // The editor shows the note's menu instead of its own.
    m_pEditor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pEditor, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        ShowContextMenuAt(m_pEditor->viewport()->mapToGlobal(position));
    });
    connect(m_pEditor->document(), &QTextDocument::contentsChange, this, [this] {
        if (!m_bShowingText)
            m_bEdited = true;
    });
    doc.AddView(this);
}

CNoteView::~CNoteView()
{
    if (m_pDoc)
        m_pDoc->RemoveView(this);
}

int CNoteView::Px(int nPixels) const
{
    return ScaledPx(*this, nPixels);
}

QByteArray CNoteView::EditorPlainText() const
{
    return m_pEditor->NoteText();
}

QString CNoteView::UnencodableCharacters() const
{
    return m_pEditor->UnencodableCharacters();
}

void CNoteView::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    m_pEditor->setGeometry(0, HeaderHeight(), width(), std::max(0, height() - HeaderHeight()));
}

void CNoteView::DrawHeaderStrip(QPainter& painter) const
{
    QStyleOptionFrame option;
    option.initFrom(this);
    option.rect = QRect(0, 0, width(), HeaderHeight());
    option.lineWidth = 1;
    option.state |= QStyle::State_Raised;
    painter.fillRect(option.rect, palette().window());
    style()->drawPrimitive(QStyle::PE_Frame, &option, &painter, this);
}

void CNoteView::ShowNoteText(const QByteArray& strText)
{
    m_pEditor->SetTextLimit(NoteLimits::NoteSizeLimit);
    const QScopedValueRollback showing(m_bShowingText, true);
    m_bEdited = false;
    if (m_pEditor->SetNoteText(strText))
        return;
    // Told once the window stands, not from inside its making.
    const QString strTitle =
        m_pDoc ? CodePage::ToUnicode(ShownText::Of(m_pDoc->Title())) : QString();
    QMetaObject::invokeMethod(
        this,
        [this, strTitle] {
            m_context.prompts.ShowMessage(
                tr("%1 holds more than a note can: only its first %2 bytes are shown, and "
                   "only they can be saved and sent.")
                    .arg(strTitle)
                    .arg(NoteLimits::NoteSizeLimit),
                PromptIcon::Warning);
        },
        Qt::QueuedConnection);
}

void CNoteView::SetEditorText(const QString& strText)
{
    m_pEditor->SetText(strText);
    m_pEditor->document()->setModified(false); // nothing the user would lose yet
}

void CNoteView::contextMenuEvent(QContextMenuEvent* pEvent)
{
    ShowContextMenuAt(pEvent->globalPos()); // over the header strip
}

void CNoteView::ShowContextMenuAt(const QPoint& globalPosition)
{
    QMenu menu(this);
    FillContextMenu(menu);
    menu.exec(globalPosition);
}

void CNoteView::AddFileItems(QMenu& menu)
{
    menu.addAction(tr("&Save"), this, &CNoteView::SaveRequested);
    menu.addAction(tr("Save &As ..."), this, &CNoteView::SaveAsRequested);
}

int CNoteView::PrintTo(QPagedPaintDevice& device)
{
    if (!m_pDoc)
        return 0;
    // Prints what the window shows; the note keeps its own bytes (a received
    // rich text, say), so a later Save writes what came.
    const QByteArray strBody = EditorPlainText();
    QPainter painter(&device);
    m_printLayout.BeginLayout(device);
    m_printLayout.PrintHeader(painter, *m_pDoc);
    const int nPages = m_printLayout.PrintBody(painter, strBody);
    m_printLayout.EndLayout();
    return nPages;
}

void CNoteView::Print()
{
    std::optional<QPrinter> own;
    QPrinter& printer = PrinterToUse(m_context, own);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        PrintTo(printer);
}

void CNoteView::PrintPreview()
{
    std::optional<QPrinter> own;
    QPrinter& printer = PrinterToUse(m_context, own);
    QPrintPreviewDialog dialog(&printer, this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* pPrinter) { PrintTo(*pPrinter); });
    dialog.exec();
}

void CNoteView::MoveFocus(bool bNext)
{
    const QList<QWidget*> panes = Panes();
    const QWidget* pFocus = QApplication::focusWidget();
    qsizetype nAt = -1;
    for (qsizetype n = 0; n < panes.size(); ++n) {
        if (panes[n] == pFocus || panes[n]->isAncestorOf(pFocus))
            nAt = n;
    }
    const qsizetype nNext = nAt < 0 ? 0 : (nAt + (bNext ? 1 : panes.size() - 1)) % panes.size();
    panes[nNext]->setFocus(bNext ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

QList<QWidget*> CNoteView::Panes() const
{
    return {m_pEditor};
}

void CNoteView::Cut()
{
    m_pEditor->cut();
}

void CNoteView::Copy()
{
    m_pEditor->copy();
}

void CNoteView::Paste()
{
    m_pEditor->paste();
}

CNoteView* NoteViewOf(const CBlipnoteDoc& doc)
{
    return dynamic_cast<CNoteView*>(doc.FirstView());
}
