#include "cli/incoming_note_saver.h"

#include "core/messaging/blipnote_doc.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

CIncomingNoteSaver::CIncomingNoteSaver(CAppSettings& settings, const QString& strFolder)
    : m_strFolder(strFolder), m_context(settings), m_documents(m_context)
{}

QString CIncomingNoteSaver::ReserveName(const QString& strStem) const
{
    // Creating the file exclusively claims the name even against another copy
    // saving into the same folder.
    for (int n = 1; n < 10000; ++n) {
        const QString strName = n == 1 ? strStem + QStringLiteral(".bni")
                                       : QStringLiteral("%1-%2.bni").arg(strStem).arg(n);
        const QString strPath = QDir(m_strFolder).filePath(strName);
        QFile file(strPath);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return strPath;
        if (!QFile::exists(strPath))
            return QString(); // the folder cannot be written
    }
    return QString();
}

QString CIncomingNoteSaver::Save(const QByteArray& strReceivedText, QString* pstrError)
{
    CBlipnoteDoc* pDoc = m_documents.NewNote(EDocKind::MessageIn, strReceivedText);
    const QString strPath = ReserveName(
        QStringLiteral("MessageIn-") + m_context.now().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    bool bSaved = false;
    if (pDoc && !strPath.isEmpty()) {
        bSaved = pDoc->SaveToFile(strPath, pstrError);
        if (!bSaved)
            QFile::remove(strPath);
    } else if (pstrError) {
        *pstrError = QStringLiteral("Failed to save document.");
    }
    if (pDoc)
        m_documents.CloseDocument(pDoc);
    return bSaved ? strPath : QString();
}
