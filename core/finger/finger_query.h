#pragma once

#include <QByteArray>
#include <QtGlobal>

// Reads the query line of a finger connection. The query text is what the
// connection sent up to its first character outside the name table (the 26
// letters in both cases, "ä", "ö", "å", "Ä", "Ö", "Å" in Windows-1252, the digits,
// "-" and the blank); so "user\r\n" gives "user", "/W user" and a bare line end
// give an empty text, and "name@host" gives "name". Only what the text can use is
// kept, so a long line costs no memory.
class CFingerQueryReader
{
public:
    // The longest query text kept; a longer name is cut there.
    static constexpr qsizetype MaxQueryLength = 256;
    // A line longer than this without a line end is answered as it stands.
    static constexpr qsizetype MaxLineLength = 4096;

    static bool IsNameCharacter(unsigned char c);

    // Takes the bytes of one read; returns true once a line feed has arrived,
    // or more than MaxLineLength bytes without one.
    bool AppendRead(const char* pData, qsizetype nLength);
    const QByteArray& QueryText() const { return m_strQuery; }

private:
    QByteArray m_strQuery;
    qsizetype m_nLineLength = 0;
    bool m_bQueryEnded = false;
    bool m_bLineEnded = false;
};
