#pragma once

#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_view.h"
#include "desktop/views/print_layout.h"

#include <QPointer>
#include <QWidget>

class CRichTextCtrl;
class QContextMenuEvent;
class QMenu;
class QPagedPaintDevice;
struct CViewContext;

// What both note windows have in common: a header strip of a fixed height above
// the note editor, the clipboard commands, printing through the print layout,
// and the document they show. Positions are given for a 96-dpi screen and
// scaled with the screen's density.
class CNoteView : public QWidget, public IDocView
{
    Q_OBJECT

public:
    CNoteView(CBlipnoteDoc& doc, CViewContext& context, int nHeaderHeight, QWidget* pParent);
    ~CNoteView() override;

    CBlipnoteDoc* Document() const { return m_pDoc; }
    CRichTextCtrl& Editor() const { return *m_pEditor; }

    QByteArray EditorPlainText() const override;
    QString UnencodableCharacters() const override;
    bool IsEdited() const override { return m_bEdited; }
    void SetRecipientText(const QByteArray&) override {}

    // Prints the note (header and body) on a printer or PDF writer; returns the
    // pages used.
    int PrintTo(QPagedPaintDevice& device);
    void Print();
    void PrintPreview();

    // Puts a text of the program's into the editor (a quotation), as if typed.
    void SetEditorText(const QString& strText);

    // To the next (or previous) part of the window: the recipient box, the
    // priority box, the text.
    void MoveFocus(bool bNext);
    // The parts that take the focus, in order.
    virtual QList<QWidget*> Panes() const;

    void Cut();
    void Copy();
    void Paste();

Q_SIGNALS:
    void SaveRequested();
    void SaveAsRequested();

protected:
    // A length in pixels of a 96-dpi screen, on this screen.
    int Px(int nPixels) const;
    int HeaderHeight() const { return Px(m_nHeaderHeight); }
    void DrawHeaderStrip(QPainter& painter) const;
    // The note's context menu, over the editor and the header strip alike.
    virtual void FillContextMenu(QMenu& menu) = 0;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    void ShowContextMenuAt(const QPoint& globalPosition);
    // Puts the note's text into the editor, which never holds more than the
    // note size limit; a longer text is cut there, and the user told so.
    void ShowNoteText(const QByteArray& strText);
    void AddFileItems(QMenu& menu);

    void resizeEvent(QResizeEvent* pEvent) override;

    CViewContext& m_context;

private:
    QPointer<CBlipnoteDoc> m_pDoc;
    CRichTextCtrl* m_pEditor;
    CPrintLayout m_printLayout;
    int m_nHeaderHeight;
    bool m_bShowingText = false;
    bool m_bEdited = false;
};

// The note window that shows the document; none while it has no view. The
// desktop's documents are shown by note windows only.
CNoteView* NoteViewOf(const CBlipnoteDoc& doc);
