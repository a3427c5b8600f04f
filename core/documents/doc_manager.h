#pragma once

#include "core/documents/doc_kind.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class CBlipnoteDoc;
class CDocTemplate;
struct CDocContext;

// The note document templates and the open documents. Templates are found by
// their exact document name; documents belong to the manager until closed.
class CDocManager : public QObject
{
    Q_OBJECT

public:
    // Registers the two templates, "MessageOut" first, then "MessageIn".
    explicit CDocManager(CDocContext& context, QObject* pParent = nullptr);
    ~CDocManager() override;

    CDocTemplate& Template(EDocKind eKind) const;

    // A new note, given its view: empty with the user's own fields (File New), or
    // made from a tagged text (a received note, a reply, an automatic reply).
    CBlipnoteDoc* NewNote(EDocKind eKind, const QByteArray& strTaggedText = QByteArray(),
                          const CNewNoteOptions& options = CNewNoteOptions());
    // Opens a note file: ".bni" files as incoming notes, others as outgoing ones.
    CBlipnoteDoc* OpenDocumentFile(const QString& strPath, QString* pstrError);
    void CloseDocument(CBlipnoteDoc* pDoc);
    // Closes every document (Delete All, Exit).
    void CloseAll();

    const QList<CBlipnoteDoc*>& Documents() const { return m_documents; }

Q_SIGNALS:
    void DocumentClosing(CBlipnoteDoc* pDoc);
    // A note was made or opened (before its window shows).
    void DocumentAdded(CBlipnoteDoc* pDoc);
    // A note file was opened (before its window shows).
    void FileOpened(CBlipnoteDoc* pDoc);

private:
    CBlipnoteDoc* Adopt(CDocTemplate& docTemplate, std::unique_ptr<CBlipnoteDoc> pDoc);

    CDocContext& m_context;
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
    QList<CBlipnoteDoc*> m_documents;
};
