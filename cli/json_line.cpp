#include "cli/json_line.h"

#include "core/text/code_page.h"

#include <cstring>
#include <utility>

namespace {

// The longest any one byte becomes: a control character as "\u001f".
constexpr qsizetype kMaxPerByte = 6;

char* Escaped(char* pOut, unsigned char byte)
{
    static const char kHex[] = "0123456789abcdef";
    *pOut++ = '\\';
    switch (byte) {
    case '"':
    case '\\':
        *pOut++ = static_cast<char>(byte);
        return pOut;
    case '\b':
        *pOut++ = 'b';
        return pOut;
    case '\f':
        *pOut++ = 'f';
        return pOut;
    case '\n':
        *pOut++ = 'n';
        return pOut;
    case '\r':
        *pOut++ = 'r';
        return pOut;
    case '\t':
        *pOut++ = 't';
        return pOut;
    default:
        std::memcpy(pOut, "u00", 3);
        pOut[3] = kHex[byte >> 4];
        pOut[4] = kHex[byte & 0xF];
        return pOut + 5;
    }
}

// Whether any of the eight bytes is a control character, a quote, a backslash
// or (for code-page text) a byte from 0x80 on.
constexpr bool NeedsALook(quint64 nWord, bool bCodePage)
{
    constexpr quint64 kOnes = 0x0101010101010101;
    constexpr quint64 kHighBits = 0x8080808080808080;
    const auto HasZeroByte = [](quint64 n) { return ((n - kOnes) & ~n & kHighBits) != 0; };
    // A byte below 0x20 (for bytes below 0x80; those above are caught apart).
    const bool bControl = ((nWord - 0x20 * kOnes) & ~nWord & kHighBits) != 0;
    return bControl || HasZeroByte(nWord ^ ('"' * kOnes)) || HasZeroByte(nWord ^ ('\\' * kOnes)) ||
           (bCodePage && (nWord & kHighBits) != 0);
}

char* Utf8(char* pOut, char16_t ch)
{
    if (ch < 0x800) {
        *pOut++ = static_cast<char>(0xC0 | (ch >> 6));
    } else {
        *pOut++ = static_cast<char>(0xE0 | (ch >> 12));
        *pOut++ = static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
    }
    *pOut++ = static_cast<char>(0x80 | (ch & 0x3F));
    return pOut;
}

} // namespace

CJsonLine::CJsonLine() : m_strLine(1, '{') {}

CJsonLine& CJsonLine::CodePageText(const char* pszKey, const QByteArray& strBytes)
{
    Key(pszKey);
    String(strBytes, true);
    return *this;
}

CJsonLine& CJsonLine::Text(const char* pszKey, const QString& strText)
{
    Key(pszKey);
    String(strText.toUtf8(), false);
    return *this;
}

CJsonLine& CJsonLine::Number(const char* pszKey, qint64 nValue)
{
    Key(pszKey);
    m_strLine += QByteArray::number(nValue);
    return *this;
}

QByteArray CJsonLine::Take()
{
    m_strLine += '}';
    return std::exchange(m_strLine, QByteArray(1, '{'));
}

void CJsonLine::Key(const char* pszKey)
{
    if (m_strLine.size() > 1)
        m_strLine += ',';
    m_strLine += '"';
    m_strLine += pszKey;
    m_strLine += "\":";
}

void CJsonLine::String(const QByteArray& strBytes, bool bCodePage)
{
    const qsizetype nStart = m_strLine.size();
    m_strLine.resize(nStart + 2 + kMaxPerByte * strBytes.size());
    char* pOut = m_strLine.data() + nStart;
    *pOut++ = '"';
    const char* pIn = strBytes.constData();
    const char* const pEnd = pIn + strBytes.size();
    while (pIn < pEnd) {
        // Eight bytes at a time while none of them needs a second look.
        while (pEnd - pIn >= 8) {
            quint64 nWord;
            std::memcpy(&nWord, pIn, 8);
            if (NeedsALook(nWord, bCodePage))
                break;
            std::memcpy(pOut, pIn, 8);
            pIn += 8;
            pOut += 8;
        }
        if (pIn == pEnd)
            break;
        const auto byte = static_cast<unsigned char>(*pIn++);
        if (byte >= 0x20 && byte != '"' && byte != '\\' && (byte < 0x80 || !bCodePage))
            *pOut++ = static_cast<char>(byte);
        else if (byte < 0x80)
            pOut = Escaped(pOut, byte);
        else
            pOut = Utf8(pOut, CodePage::CharOf(byte).unicode());
    }
    *pOut++ = '"';
    m_strLine.truncate(pOut - m_strLine.constData());
}
