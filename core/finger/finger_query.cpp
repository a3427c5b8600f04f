#include "core/finger/finger_query.h"

#include <cstring>

bool CFingerQueryReader::IsNameCharacter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == ' ' || c == 0xE4 || c == 0xF6 || c == 0xE5 || c == 0xC4 || c == 0xD6 || c == 0xC5;
}

bool CFingerQueryReader::AppendRead(const char* pData, qsizetype nLength)
{
    for (qsizetype i = 0; i < nLength && !m_bQueryEnded; ++i) {
        if (!IsNameCharacter(static_cast<unsigned char>(pData[i])) ||
            m_strQuery.size() >= MaxQueryLength)
            m_bQueryEnded = true;
        else
            m_strQuery.append(pData[i]);
    }
    if (!m_bLineEnded) {
        m_nLineLength += nLength;
        m_bLineEnded = std::memchr(pData, '\n', static_cast<std::size_t>(nLength)) != nullptr ||
                       m_nLineLength > MaxLineLength;
    }
    return m_bLineEnded;
}
