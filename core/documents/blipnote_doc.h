#pragma once

#include "core/documents/doc_kind.h"
#include "core/notes/sendable_note.h"

#include <QDateTime>
#include <QList>
#include <QString>

class CDocTemplate;
class IDocView;
struct CDocContext;

// A note document, outgoing ("MessageOut") or incoming ("MessageIn"): the note
// record, its displayed title and file, the views that show it, and the
// operations on it: starting empty or from a tagged note text, saving and
// loading, sending.
class CBlipnoteDoc : public CSendableNote
{
    Q_OBJECT

public:
    CBlipnoteDoc(CDocTemplate& docTemplate, CDocContext& context, QObject* pParent = nullptr);

    CDocTemplate& Template() const { return m_template; }
    EDocKind Kind() const;
    bool IsIncoming() const { return Kind() == EDocKind::MessageIn; }

    // A new document: from the tagged text when there is one (a received note, a
    // reply, an automatic reply), else empty with the user's own nickname,
    // computer name and local address.
    bool OnNewDocument(const QByteArray& strTaggedText, const CNewNoteOptions& options);

    // Saves in the form the path asks for (see NoteFile::FormForPath), through a
    // temporary file so that a failure never destroys the previous one. On failure
    // *pstrError is "Failed to save document.".
    bool SaveToFile(const QString& strPath, QString* pstrError);
    // The same, but the note keeps its own file name (a copy to hand on).
    bool SaveCopyToFile(const QString& strPath, QString* pstrError);
    // Loads a note file or imports a text file. On failure *pstrError is
    // "Unexpected file format." or "Failed to open document." and the document
    // is unchanged.
    bool LoadFromFile(const QString& strPath, QString* pstrError);

    void ReadBodyFromView() override;
    // The message that tells the user which typed characters stop a save or send.
    static QString UnencodableMessage(const QString& strCharacters);
    void SetRecipientText(const QByteArray& strText);
    void StartSendJobs();

    const QString& PathName() const { return m_strPathName; }

    // An automatic answer with the away message, which its window says; the
    // note itself, its title included, is as any other.
    void MarkAutomaticAnswer()
    {
        m_bAutomaticAnswer = true;
        Q_EMIT TitleChanged();
    }
    bool IsAutomaticAnswer() const { return m_bAutomaticAnswer; }

    // The time text of a note made now ("dd.MM.yy  HH:mm:ss").
    static QByteArray TimeText(const QDateTime& time);

    void AddView(IDocView* pView);
    void RemoveView(IDocView* pView);
    IDocView* FirstView() const { return m_views.value(0); }

Q_SIGNALS:
    // The note was written to a file (saved, or a copy).
    void SavedToFile(const QString& strPath);

private:
    void SetPathName(const QString& strPath);

    CDocTemplate& m_template;
    CDocContext& m_context;
    QList<IDocView*> m_views;
    QString m_strPathName;
    bool m_bAutomaticAnswer = false;
};
