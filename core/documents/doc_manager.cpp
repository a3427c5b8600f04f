#include "core/documents/doc_manager.h"

#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_template.h"
#include "core/documents/doc_view.h"

#include <QFileInfo>

CDocManager::CDocManager(CDocContext& context, QObject* pParent)
    : QObject(pParent), m_context(context)
{
    m_templates.push_back(std::make_unique<CDocTemplate>(
        EDocKind::MessageOut, CDocTexts{.strDocName = QStringLiteral("MessageOut"),
                                        .strFilterName = QStringLiteral("MessageOut Files (*.bno)"),
                                        .strFilterExtension = QStringLiteral("*.bno"),
                                        .strDefaultExtension = QStringLiteral(".bno"),
                                        .strTypeIdentifier = QStringLiteral("MsgOut.Document"),
                                        .strTypeName = QStringLiteral("MsgOut Document")}));
    m_templates.push_back(std::make_unique<CDocTemplate>(
        EDocKind::MessageIn, CDocTexts{.strDocName = QStringLiteral("MessageIn"),
                                       .strFilterName = QStringLiteral("MessageIn Files (*.bni)"),
                                       .strFilterExtension = QStringLiteral("*.bni"),
                                       .strDefaultExtension = QStringLiteral(".bni"),
                                       .strTypeIdentifier = QStringLiteral("MsgIn.Document"),
                                       .strTypeName = QStringLiteral("MsgIn Document")}));
}

CDocManager::~CDocManager()
{
    // Documents (closed ones still waiting to be deleted too) go before the
    // templates they refer to.
    qDeleteAll(findChildren<CBlipnoteDoc*>(Qt::FindDirectChildrenOnly));
}

CDocTemplate& CDocManager::Template(EDocKind eKind) const
{
    return *m_templates[eKind == EDocKind::MessageOut ? 0 : 1];
}

CBlipnoteDoc* CDocManager::NewNote(EDocKind eKind, const QByteArray& strTaggedText,
                                   const CNewNoteOptions& options)
{
    CDocTemplate& docTemplate = Template(eKind);
    auto pDoc = std::make_unique<CBlipnoteDoc>(docTemplate, m_context, this);
    pDoc->SetTitle(docTemplate.NextDefaultTitle());
    if (!pDoc->OnNewDocument(strTaggedText, options))
        return nullptr;
    return Adopt(docTemplate, std::move(pDoc));
}

CBlipnoteDoc* CDocManager::OpenDocumentFile(const QString& strPath, QString* pstrError)
{
    const bool bIncoming =
        QFileInfo(strPath).suffix().compare(QLatin1String("bni"), Qt::CaseInsensitive) == 0;
    CDocTemplate& docTemplate = Template(bIncoming ? EDocKind::MessageIn : EDocKind::MessageOut);
    auto pDoc = std::make_unique<CBlipnoteDoc>(docTemplate, m_context, this);
    if (!pDoc->LoadFromFile(strPath, pstrError))
        return nullptr;
    Q_EMIT FileOpened(pDoc.get());
    return Adopt(docTemplate, std::move(pDoc));
}

CBlipnoteDoc* CDocManager::Adopt(CDocTemplate& docTemplate, std::unique_ptr<CBlipnoteDoc> pDoc)
{
    CBlipnoteDoc* pRaw = pDoc.release();
    m_documents.append(pRaw);
    connect(pRaw, &CSendableNote::CloseRequested, this, [this, pRaw] { CloseDocument(pRaw); });
    Q_EMIT DocumentAdded(pRaw);
    if (docTemplate.ViewFactory())
        pRaw->AddView(docTemplate.ViewFactory()(*pRaw));
    return pRaw;
}

void CDocManager::CloseDocument(CBlipnoteDoc* pDoc)
{
    if (!m_documents.removeOne(pDoc))
        return;
    Q_EMIT DocumentClosing(pDoc);
    pDoc->deleteLater();
}

void CDocManager::CloseAll()
{
    // Over a copy: closing takes each document off the list.
    const QList<CBlipnoteDoc*> documents = m_documents;
    for (CBlipnoteDoc* pDoc : documents)
        CloseDocument(pDoc);
}
