#pragma once

#include "core/notes/note_record.h"

#include <QByteArray>
#include <QObject>

// A note that can be sent: its record, its displayed title, and the close request
// that a delivered send makes when "AutoDelete" is on. The note document builds on
// it; on its own it serves the command-line tool and the tests.
class CSendableNote : public QObject, public CNoteRecord
{
    Q_OBJECT

public:
    explicit CSendableNote(QObject* pParent = nullptr) : QObject(pParent) {}

    const QByteArray& Title() const { return m_strTitle; }
    void SetTitle(const QByteArray& strTitle)
    {
        m_strTitle = strTitle;
        Q_EMIT TitleChanged();
    }

    // Copies the plain text of the note's editor into m_strBody before sending. A
    // note without a view keeps the body it has.
    virtual void ReadBodyFromView() {}

Q_SIGNALS:
    void TitleChanged();
    // A send of this note ended; m_nSendState tells how.
    void SendStateChanged();
    // Sent after a delivered send with "AutoDelete" on: the note asks to be closed
    // without a save question.
    void CloseRequested();

private:
    QByteArray m_strTitle;
};
