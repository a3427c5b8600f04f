#include "core/documents/blipnote_doc.h"

#include "core/documents/doc_context.h"
#include "core/documents/doc_template.h"
#include "core/documents/doc_view.h"
#include "core/messaging/send_jobs.h"
#include "core/notes/note_file.h"
#include "core/notes/tagged_text.h"
#include "core/text/code_page.h"
#include "core/text/code_page_refusal.h"
#include "core/text/rtf_reader.h"

#include <QFileInfo>

CBlipnoteDoc::CBlipnoteDoc(CDocTemplate& docTemplate, CDocContext& context, QObject* pParent)
    : CSendableNote(pParent), m_template(docTemplate), m_context(context)
{}

EDocKind CBlipnoteDoc::Kind() const
{
    return m_template.Kind();
}

QByteArray CBlipnoteDoc::TimeText(const QDateTime& time)
{
    return time.toString(QStringLiteral("dd.MM.yy  HH:mm:ss")).toLatin1();
}

bool CBlipnoteDoc::OnNewDocument(const QByteArray& strTaggedText, const CNewNoteOptions& options)
{
    const QByteArray strTime =
        options.strTime.isEmpty() ? TimeText(m_context.now()) : options.strTime;
    if (strTaggedText.isEmpty()) {
        m_nPriority = m_nReserved = m_nSendState = 0;
        m_strBody.clear();
        m_strSubject.clear();
        const CNoteIdentity identity = m_context.identity();
        m_strNickname = identity.strNickname;
        m_strTime = strTime;
        m_strAddress = identity.strAddress;
        m_strSystem = identity.strComputerName;
        return true;
    }

    const TaggedText::CParsedNote note = TaggedText::Parse(strTaggedText);
    m_strNickname = TaggedText::TrimNickname(note.strNickname);
    m_strBody = note.strBody;
    m_strSystem = note.strSystem;
    m_strSubject = note.strTitle;
    m_nPriority = note.nPriority;
    m_strAddress = note.strAddress;
    if (TaggedText::TitleReplacesDefault(note.strTitle))
        SetTitle(note.strTitle);

    if (options.bAddSender) {
        const QByteArray strDisplay = m_context.addUnknownSender(m_strNickname, m_strAddress);
        if (!strDisplay.isEmpty())
            m_strNickname = strDisplay;
    }
    m_nReserved = 0;
    m_nSendState = 0;
    m_strTime = strTime;

    if (options.bMayAutoReply && m_context.autoReplyActive() && m_context.sendAutoReply)
        m_context.sendAutoReply(*this);
    return true;
}

bool CBlipnoteDoc::SaveToFile(const QString& strPath, QString* pstrError)
{
    if (!SaveCopyToFile(strPath, pstrError))
        return false;
    SetPathName(strPath);
    return true;
}

bool CBlipnoteDoc::SaveCopyToFile(const QString& strPath, QString* pstrError)
{
    // A note nobody edited keeps the bytes it came with (a received rich text,
    // say, whose characters the code page may not hold once shown).
    if (const IDocView* pView = FirstView(); pView && pView->IsEdited()) {
        // Never save a text changed behind the user's back.
        const QString strUnencodable = pView->UnencodableCharacters();
        if (!strUnencodable.isEmpty()) {
            if (pstrError)
                *pstrError = UnencodableMessage(strUnencodable);
            return false;
        }
        ReadBodyFromView();
    } else if (pView && RtfReader::IsRtf(m_strBody) &&
               NoteFile::FormForPath(strPath) == NoteFile::EForm::Text) {
        // A text export writes what the note shows, not its rich-text source;
        // the note itself keeps its bytes.
        CNoteRecord shown = *this;
        shown.m_strBody = pView->EditorPlainText();
        if (!NoteFile::Save(strPath, shown, Title(), pstrError))
            return false;
        Q_EMIT SavedToFile(strPath);
        return true;
    }
    if (!NoteFile::Save(strPath, *this, Title(), pstrError))
        return false;
    Q_EMIT SavedToFile(strPath);
    return true;
}

bool CBlipnoteDoc::LoadFromFile(const QString& strPath, QString* pstrError)
{
    CNoteRecord record;
    if (!NoteFile::Load(strPath, record, pstrError))
        return false;
    static_cast<CNoteRecord&>(*this) = record;
    SetPathName(strPath);
    return true;
}

QString CBlipnoteDoc::UnencodableMessage(const QString& strCharacters)
{
    return CodePageRefusal::Text(CodePageRefusal::EForm::Characters, QStringLiteral("This note"),
                                 strCharacters);
}

void CBlipnoteDoc::SetPathName(const QString& strPath)
{
    m_strPathName = strPath;
    // The window shows the file's name, which is also sent as the note's title.
    // A name the code page cannot hold would become question marks: the note
    // keeps its title then, or gets a default one.
    bool bLossless = true;
    const QByteArray strName = CodePage::FromUnicode(QFileInfo(strPath).fileName(), &bLossless);
    if (bLossless)
        SetTitle(strName);
    else if (Title().isEmpty())
        SetTitle(m_template.NextDefaultTitle());
}

void CBlipnoteDoc::ReadBodyFromView()
{
    if (const IDocView* pView = FirstView())
        m_strBody = pView->EditorPlainText();
}

void CBlipnoteDoc::SetRecipientText(const QByteArray& strText)
{
    if (IDocView* pView = FirstView())
        pView->SetRecipientText(strText);
}

void CBlipnoteDoc::StartSendJobs()
{
    if (m_context.pSendJobs)
        m_context.pSendJobs->StartSendJobs(*this, m_context.sendSettings());
}

void CBlipnoteDoc::AddView(IDocView* pView)
{
    m_views.append(pView);
}

void CBlipnoteDoc::RemoveView(IDocView* pView)
{
    m_views.removeAll(pView);
}
