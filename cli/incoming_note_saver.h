#pragma once

#include "core/documents/doc_context.h"
#include "core/documents/doc_manager.h"

#include <QByteArray>
#include <QHash>
#include <QString>

class CCliSettings;

// Keeps received notes as incoming note files, made the way the desktop program
// makes them: an incoming document opened from the received text, saved in the
// binary form under a new name that never replaces an earlier note.
class CIncomingNoteSaver
{
public:
    CIncomingNoteSaver(CCliSettings& stored, const QString& strFolder);

    // Returns the path of the new file, or an empty text and in *pstrError what
    // could not be kept where, and the system's reason.
    QString Save(const QByteArray& strReceivedText, QString* pstrError);

private:
    // Claims a new file "STEM.bni", "STEM-2.bni", ...; empty when none can be
    // made, with the path last tried and the reason.
    QString ReserveName(const QString& strStem, QString& strTried, QString& strReason);

    QString m_strFolder;
    CDocContext m_context;
    CDocManager m_documents;
    // The number to try next for a name stem: notes of one second do not try
    // every name taken before them.
    QHash<QString, int> m_nextNumber;
};
