#include "desktop/app/file_commands.h"

#include "core/interfaces/prompts.h"
#include "core/messaging/blipnote_doc.h"
#include "core/messaging/doc_manager.h"
#include "core/messaging/doc_template.h"
#include "core/settings/recent_files.h"
#include "core/text/code_page.h"
#include "desktop/views/note_view.h"
#include "desktop/views/rich_text_ctrl.h"

#include <QCoreApplication>
#include <QPrinter>
#include <QPrinterInfo>

namespace {
const QString kOpenFilter = QStringLiteral(
    "Notes (*.bno *.bni);;MessageOut Files (*.bno);;MessageIn Files (*.bni);;All Files (*)");
} // namespace

CFileCommands::CFileCommands(CDocManager& documents, IPrompts& prompts, CRecentFiles& recentFiles)
    : m_documents(documents), m_prompts(prompts), m_recentFiles(recentFiles)
{}

void CFileCommands::OnOpen()
{
    const QString strPath = m_prompts.AskOpenFileName(kOpenFilter, QString());
    if (!strPath.isEmpty())
        OpenNoteFile(strPath);
}

bool CFileCommands::OpenNoteFile(const QString& strPath)
{
    QString strError;
    if (m_documents.OpenDocumentFile(strPath, &strError)) {
        m_recentFiles.Add(strPath);
        return true;
    }
    m_prompts.ShowMessage(strError, PromptIcon::Stop);
    return false;
}

bool CFileCommands::OpenRecentFile(const QString& strPath)
{
    if (OpenNoteFile(strPath))
        return true;
    m_recentFiles.Remove(strPath);
    return false;
}

bool CFileCommands::PrintNoteFile(const QString& strPath)
{
    if (!OpenNoteFile(strPath))
        return false;
    if (QPrinterInfo::defaultPrinter().isNull()) {
        m_prompts.ShowMessage(
            QCoreApplication::translate("CFileCommands", "There is no printer to print %1 on.")
                .arg(strPath),
            PromptIcon::Stop);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    auto* pView = dynamic_cast<CNoteView*>(m_documents.Documents().last()->FirstView());
    return pView && pView->PrintTo(printer) > 0;
}

bool CFileCommands::OnSave(CBlipnoteDoc* pDoc)
{
    if (!pDoc)
        return false;
    if (pDoc->PathName().isEmpty())
        return OnSaveAs(pDoc);
    return SaveTo(*pDoc, pDoc->PathName());
}

bool CFileCommands::OnSaveAs(CBlipnoteDoc* pDoc)
{
    if (!pDoc)
        return false;
    const CDocTemplate& docTemplate = pDoc->Template();
    const QString strPath = m_prompts.AskSaveFileName(
        CodePage::ToUnicode(pDoc->Title()) + docTemplate.DefaultExtension(),
        docTemplate.FilterName() + QStringLiteral(";;All Files (*)"));
    if (strPath.isEmpty())
        return false;
    return SaveTo(*pDoc, strPath);
}

bool CFileCommands::SaveTo(CBlipnoteDoc& doc, const QString& strPath)
{
    QString strError;
    if (!doc.SaveToFile(strPath, &strError)) {
        m_prompts.ShowMessage(strError, PromptIcon::Stop);
        return false;
    }
    if (auto* pView = dynamic_cast<CNoteView*>(doc.FirstView()))
        pView->Editor().document()->setModified(false);
    m_recentFiles.Add(strPath);
    return true;
}
