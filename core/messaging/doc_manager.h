#pragma once

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
    static const QString MessageOutResource;
    static const QString MessageInResource;

    // Registers the two templates, "MessageOut" first, then "MessageIn".
    explicit CDocManager(CDocContext& context, QObject* pParent = nullptr);
    ~CDocManager() override;

    CDocTemplate* TemplateOfType(const QString& strDocName) const;
    CDocTemplate& OutTemplate() const { return *m_templates[0]; }
    CDocTemplate& InTemplate() const { return *m_templates[1]; }

    // A new document of the type with exactly that name, initialised and given its
    // view; nullptr when there is no such type.
    CBlipnoteDoc* NewDocumentOfType(const QString& strDocName);
    // Opens a note file: ".bni" files as incoming notes, others as outgoing ones.
    CBlipnoteDoc* OpenDocumentFile(const QString& strPath, QString* pstrError);
    void CloseDocument(CBlipnoteDoc* pDoc);

    const QList<CBlipnoteDoc*>& Documents() const { return m_documents; }

Q_SIGNALS:
    void DocumentClosing(CBlipnoteDoc* pDoc);

private:
    CBlipnoteDoc* Adopt(CDocTemplate& docTemplate, std::unique_ptr<CBlipnoteDoc> pDoc);

    CDocContext& m_context;
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
    QList<CBlipnoteDoc*> m_documents;
};
