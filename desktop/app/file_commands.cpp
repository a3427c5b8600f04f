#include "desktop/app/file_commands.h"

#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/documents/doc_template.h"
#include "core/interfaces/prompts.h"
#include "core/settings/recent_files.h"
#include "core/text/code_page.h"
#include "core/text/shown_text.h"
#include "desktop/views/note_view.h"
#include "desktop/views/rich_text_ctrl.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

namespace {
const QString kOpenFilter = QStringLiteral(
    "Notes (*.bno *.bni);;MessageOut Files (*.bno);;MessageIn Files (*.bni);;All Files (*)");
} // namespace

CFileCommands::CFileCommands(CDocManager& documents, IPrompts& prompts, CRecentFiles& recentFiles)
    : m_documents(documents), m_prompts(prompts), m_recentFiles(recentFiles)
{}

void CFileCommands::OnOpen(const CBlipnoteDoc* pActive)
{
    // The active note's own folder first: its neighbours are likely wanted.
    const QString strPath = m_prompts.AskOpenFileName(
        kOpenFilter, StartFolder(pActive ? pActive->PathName() : QString()));
    if (!strPath.isEmpty())
        OpenNoteFile(strPath);
}

bool CFileCommands::OpenNoteFile(const QString& strPath)
{
    return OpenDocument(strPath) != nullptr;
}

CBlipnoteDoc* CFileCommands::OpenDocument(const QString& strPath)
{
    // A note already open from that file is shown again, not opened twice.
    CBlipnoteDoc* pDoc = OpenDocumentOf(strPath);
    if (pDoc) {
        if (CNoteView* pView = NoteViewOf(*pDoc))
            ShowNoteWindowOf(*pView);
    } else {
        QString strError;
        pDoc = m_documents.OpenDocumentFile(strPath, &strError);
        if (!pDoc) {
            m_prompts.ShowMessage(strError, PromptIcon::Stop);
            return nullptr;
        }
    }
    m_recentFiles.Add(strPath);
    return pDoc;
}

CBlipnoteDoc* CFileCommands::OpenDocumentOf(const QString& strPath) const
{
    const QFileInfo file(strPath);
    for (CBlipnoteDoc* pDoc : m_documents.Documents()) {
        if (!pDoc->PathName().isEmpty() && QFileInfo(pDoc->PathName()) == file)
            return pDoc;
    }
    return nullptr;
}

void CFileCommands::ShowNoteWindowOf(QWidget& view)
{
    for (QWidget* pWidget = &view; pWidget; pWidget = pWidget->parentWidget()) {
        if (auto* pWindow = qobject_cast<QMdiSubWindow*>(pWidget)) {
            if (pWindow->isMinimized())
                pWindow->showNormal();
            if (QMdiArea* pArea = pWindow->mdiArea())
                pArea->setActiveSubWindow(pWindow);
            return;
        }
    }
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
    CBlipnoteDoc* pDoc = OpenDocument(strPath);
    if (!pDoc)
        return false;
    if (QPrinterInfo::defaultPrinter().isNull()) {
        m_prompts.ShowMessage(
            QCoreApplication::translate("CFileCommands", "There is no printer to print %1 on.")
                .arg(strPath),
            PromptIcon::Stop);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    CNoteView* pView = NoteViewOf(*pDoc);
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
    // A note opened from or saved to a file is offered under that file's path
    // (its title is the file's name already), in the folder last used when its
    // own cannot be written (an installed greeting, say); a new one under its
    // title, in the folder last used.
    const QFileInfo file(pDoc->PathName());
    QString strSuggested;
    if (pDoc->PathName().isEmpty()) {
        QString strName = CodePage::ToUnicode(ShownText::Of(pDoc->Title()));
        strName.replace(QLatin1Char('/'), QLatin1Char('-')); // a name, not a path
        strSuggested = QDir(StartFolder()).filePath(strName + docTemplate.DefaultExtension());
    } else if (QFileInfo(file.absolutePath()).isWritable()) {
        strSuggested = file.absoluteFilePath();
    } else {
        strSuggested = QDir(StartFolder()).filePath(file.fileName());
    }
    const QString strPath = m_prompts.AskSaveFileName(
        strSuggested, docTemplate.FilterName() + QStringLiteral(";;All Files (*)"));
    if (strPath.isEmpty())
        return false;
    return SaveTo(*pDoc, strPath);
}

QString CFileCommands::StartFolder(const QString& strNotePath) const
{
    // The note's folder, else that of the file last opened or saved (the
    // recent-file list keeps it from run to run), else the user's documents:
    // never the working folder, which for a program started from a terminal
    // says nothing.
    for (const QString& strPath : QStringList{strNotePath} + m_recentFiles.Paths()) {
        if (strPath.isEmpty())
            continue;
        const QString strFolder = QFileInfo(strPath).absolutePath();
        if (QFileInfo(strFolder).isDir())
            return strFolder;
    }
    const QString strDocuments =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(strDocuments).isDir() ? strDocuments : QDir::homePath();
}

bool CFileCommands::SaveTo(CBlipnoteDoc& doc, const QString& strPath)
{
    QString strError;
    if (!doc.SaveToFile(strPath, &strError)) {
        m_prompts.ShowMessage(strError, PromptIcon::Stop);
        return false;
    }
    if (CNoteView* pView = NoteViewOf(doc))
        pView->Editor().document()->setModified(false);
    m_recentFiles.Add(strPath);
    return true;
}
