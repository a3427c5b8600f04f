#include "cli/incoming_note_saver.h"

#include "cli/cli_settings.h"
#include "core/documents/blipnote_doc.h"
#include "core/notes/note_file.h"
#include "core/text/code_page.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace {
// Names taken by others (another copy saving into the same folder) are skipped;
// this many in a row means something else is wrong.
constexpr int kMaxTries = 1000;
} // namespace

CIncomingNoteSaver::CIncomingNoteSaver(CCliSettings& stored, const QString& strFolder)
    : m_strFolder(strFolder), m_documents(m_context)
{
    // Senders are added to the host list in memory, as the desktop adds them,
    // so that a note is kept under the nickname the desktop would show.
    m_context.addUnknownSender = [&stored](const QByteArray& strNickname,
                                           const QByteArray& strAddress) {
        return stored.HostBook().AddUnknownSender(strNickname, strAddress,
                                                  stored.Settings().UseAutoAdd());
    };
}

QString CIncomingNoteSaver::ReserveName(const QString& strStem, QString& strTried,
                                        QString& strReason)
{
    int& nNext = m_nextNumber[strStem];
    if (nNext == 0)
        nNext = 1;
    for (int nTry = 0; nTry < kMaxTries; ++nTry, ++nNext) {
        const QString strName = nNext == 1 ? strStem + QStringLiteral(".bni")
                                           : QStringLiteral("%1-%2.bni").arg(strStem).arg(nNext);
        QString strPath = QDir(m_strFolder).filePath(strName);
        strTried = strPath;
        // Creating the file exclusively claims the name even against another
        // copy saving into the same folder.
        QFile file(strPath);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            ++nNext;
            return strPath;
        }
        if (!QFile::exists(strPath)) {
            strReason = file.errorString(); // the folder cannot be written
            return QString();
        }
    }
    strReason = QStringLiteral("no free file name");
    return QString();
}

QString CIncomingNoteSaver::Save(const QByteArray& strReceivedText, QString* pstrError)
{
    CBlipnoteDoc* pDoc = m_documents.NewNote(EDocKind::MessageIn, strReceivedText);
    const QString strStem =
        QStringLiteral("MessageIn-") + m_context.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString strTried;
    QString strReason;
    QString strPath = ReserveName(strStem, strTried, strReason);
    if (!strPath.isEmpty()) {
        QString strError;
        if (!NoteFile::Save(strPath, *pDoc, pDoc->Title(), &strError, &strReason)) {
            QFile::remove(strPath);
            strPath.clear();
        }
    }
    if (strPath.isEmpty() && pstrError) {
        *pstrError = QStringLiteral("cannot keep the note from %1 in %2: %3")
                         .arg(CodePage::ToUnicode(pDoc->m_strAddress), strTried, strReason);
    }
    m_documents.CloseDocument(pDoc);
    return strPath;
}
