#pragma once

#include "core/messaging/doc_context.h"
#include "core/messaging/doc_manager.h"

#include <QByteArray>
#include <QString>

class CAppSettings;

// Keeps received notes as incoming note files, made the way the desktop program
// makes them: an incoming document opened from the received text, saved in
// the binary form under a new name that never replaces an earlier note.
class CIncomingNoteSaver
{
public:
    CIncomingNoteSaver(CAppSettings& settings, const QString& strFolder);

    // Returns the path of the new file, or an empty text (and *pstrError) on failure.
    QString Save(const QByteArray& strReceivedText, QString* pstrError);

private:
    QString ReserveName(const QString& strStem) const;

    QString m_strFolder;
    CDocContext m_context;
    CDocManager m_documents;
};
