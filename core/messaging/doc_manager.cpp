#include "core/messaging/doc_manager.h"

#include "core/messaging/blipnote_doc.h"
#include "core/messaging/doc_template.h"
#include "core/messaging/doc_view.h"

#include <QFileInfo>

const QString CDocManager::MessageOutResource = QStringLiteral(
    "MessageOut\nMessageOut\nMessageOut Files (*.bno) \n*.bno\n.bno\nMsgOut.Document\nMsgOut "
    "Document");
const QString CDocManager::MessageInResource = QStringLiteral(
    "MessageIn\nMessageIn\nMessageIn Files (*.bni) \n*.bni \n.bni\nMsgIn.Document\nMsgIn Document");

CDocManager::CDocManager(CDocContext& context, QObject* pParent)
    : QObject(pParent), m_context(context)
{
    m_templates.push_back(std::make_unique<CDocTemplate>(MessageOutResource));
    m_templates.push_back(std::make_unique<CDocTemplate>(MessageInResource));
}

CDocManager::~CDocManager()
{
    // Documents (closed ones still waiting to be deleted too) go before the
    // templates they refer to.
    qDeleteAll(findChildren<CBlipnoteDoc*>(Qt::FindDirectChildrenOnly));
}

CDocTemplate* CDocManager::TemplateOfType(const QString& strDocName) const
{
    for (const auto& pTemplate : m_templates) {
        if (pTemplate->DocName() == strDocName)
            return pTemplate.get();
    }
    return nullptr;
}

CBlipnoteDoc* CDocManager::NewDocumentOfType(const QString& strDocName)
{
    CDocTemplate* pTemplate = TemplateOfType(strDocName);
    if (!pTemplate)
        return nullptr;
    auto pDoc = std::make_unique<CBlipnoteDoc>(*pTemplate, m_context, this);
    pDoc->SetTitle(pTemplate->NextDefaultTitle());
    if (!pDoc->OnNewDocument())
        return nullptr;
    return Adopt(*pTemplate, std::move(pDoc));
}

CBlipnoteDoc* CDocManager::OpenDocumentFile(const QString& strPath, QString* pstrError)
{
    const bool bIncoming =
        QFileInfo(strPath).suffix().compare(QLatin1String("bni"), Qt::CaseInsensitive) == 0;
    CDocTemplate& docTemplate = bIncoming ? InTemplate() : OutTemplate();
    auto pDoc = std::make_unique<CBlipnoteDoc>(docTemplate, m_context, this);
    if (!pDoc->LoadFromFile(strPath, pstrError))
        return nullptr;
    return Adopt(docTemplate, std::move(pDoc));
}

CBlipnoteDoc* CDocManager::Adopt(CDocTemplate& docTemplate, std::unique_ptr<CBlipnoteDoc> pDoc)
{
    CBlipnoteDoc* pRaw = pDoc.release();
    m_documents.append(pRaw);
    connect(pRaw, &CSendableNote::CloseRequested, this, [this, pRaw] { CloseDocument(pRaw); });
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
