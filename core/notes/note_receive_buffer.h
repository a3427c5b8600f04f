#pragma once

#include <QByteArray>
#include <QtGlobal>

// Collects the text of one incoming note, read by read, and decides when the
// reading is done: when an end sequence has arrived, when the text turns out to be
// untagged (such a text is one piece), or when the note size limit is reached.
// Each read searches only what it added, so the work grows linearly with the note.
class CNoteReceiveBuffer
{
public:
    explicit CNoteReceiveBuffer(qsizetype nSizeLimit);

    // Takes one read's bytes, every one of them (a zero byte too: the end
    // sequence after it must still be found). Returns true when the reading is
    // done.
    bool AppendRead(const char* pData, qsizetype nLength);
    // The same without a copy: room for a read of up to nMax bytes at the end
    // of the text, then how many bytes went there (0 when none did).
    char* Room(qsizetype nMax);
    bool Took(qsizetype nLength);

    bool IsDone() const { return m_bDone; }
    // Bytes read so far: the count that the acknowledgement carries.
    qint64 Total() const { return m_nTotal; }
    const QByteArray& Text() const { return m_strText; }
    QByteArray TakeText();

private:
    bool CheckDone();

    qsizetype m_nSizeLimit;
    QByteArray m_strText;
    qint64 m_nTotal = 0;
    qsizetype m_nRoomAt = 0;    // where the room of the current read begins
    qsizetype m_nScanned = 0;   // bytes of m_strText already searched
    qsizetype m_nFirstTag = -1; // position of the first "/$0", once found
    bool m_bDone = false;
};
