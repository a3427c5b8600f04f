#pragma once

#include <QString>

class CBlipnoteDoc;
class CDocManager;
class CRecentFiles;
class IPrompts;
class QWidget;

// The file commands: open a note file, save a note under its name or a new
// one, and print a note file (the --print start). Failures are told to the user.
// A file opened or saved goes to the top of the recent-file list.
class CFileCommands
{
public:
    CFileCommands(CDocManager& documents, IPrompts& prompts, CRecentFiles& recentFiles);

    // Asks for a note file and opens it.
    // Starts in the active note's folder, when it has a file.
    void OnOpen(const CBlipnoteDoc* pActive = nullptr);
    // A note already open from that file is shown instead of opened again.
    bool OpenNoteFile(const QString& strPath);
    // An entry of the recent-file list: one that no longer opens leaves the list.
    bool OpenRecentFile(const QString& strPath);
    // Opens the note file and prints it on the default printer.
    bool PrintNoteFile(const QString& strPath);

    // Saves under the note's file name, or asks for one when it has none yet.
    bool OnSave(CBlipnoteDoc* pDoc);
    bool OnSaveAs(CBlipnoteDoc* pDoc);

private:
    CBlipnoteDoc* OpenDocument(const QString& strPath);
    CBlipnoteDoc* OpenDocumentOf(const QString& strPath) const;
    static void ShowNoteWindowOf(QWidget& view);
    bool SaveTo(CBlipnoteDoc& doc, const QString& strPath);
    // Where the file dialogs start: the note's folder (when a path is given and
    // its folder is there), the folder last used, the user's documents.
    QString StartFolder(const QString& strNotePath = QString()) const;

    CDocManager& m_documents;
    IPrompts& m_prompts;
    CRecentFiles& m_recentFiles;
};
