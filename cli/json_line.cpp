#include "cli/json_line.h"

#include "core/text/code_page.h"

#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
        pOut[0] = 'u';
        pOut[1] = '0';
        pOut[2] = '0';
        pOut[3] = kHex[byte >> 4];
        pOut[4] = kHex[byte & 0xF];
        return pOut + 5;
    }
}

// Copies the bytes from pIn on that stand as they are in a JSON string, up to
// the first control character, DEL, quote, backslash or byte from 0x80 on (which
// code-page text turns into UTF-8 and other text copies on the slow path). The
// output has room for six bytes per input byte, so whole blocks may be stored.
void CopyPlainRun(const char*& pIn, const char* pEnd, char*& pOut)
{
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi8(0x20);
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i del = _mm_set1_epi8(0x7F);
    // Taken as signed, bytes from 0x80 on are below 0x20 too.
    const auto Special = [&](__m128i bytes) {
        return _mm_or_si128(
            _mm_or_si128(_mm_cmplt_epi8(bytes, space), _mm_cmpeq_epi8(bytes, del)),
            _mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)));
    };
    const auto Load = [](const char* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    const auto Store = [](char* p, __m128i bytes) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), bytes);
    };
    // Whole stretches of 64 bytes while none needs a look (most text).
    while (pEnd - pIn >= 64) {
        const __m128i a = Load(pIn), b = Load(pIn + 16), c = Load(pIn + 32), d = Load(pIn + 48);
        const __m128i any = _mm_or_si128(_mm_or_si128(Special(a), Special(b)),
                                         _mm_or_si128(Special(c), Special(d)));
        if (_mm_movemask_epi8(any) != 0)
            break;
        Store(pOut, a);
        Store(pOut + 16, b);
        Store(pOut + 32, c);
        Store(pOut + 48, d);
        pIn += 64;
        pOut += 64;
    }
    while (pEnd - pIn >= 16) {
        const __m128i bytes = Load(pIn);
        Store(pOut, bytes);
        if (const int nMask = _mm_movemask_epi8(Special(bytes)); nMask != 0) {
            const int nPlain = __builtin_ctz(static_cast<unsigned>(nMask));
            pIn += nPlain;
            pOut += nPlain;
            return;
        }
        pIn += 16;
        pOut += 16;
    }
#endif
    for (; pIn < pEnd; ++pIn, ++pOut) {
        const auto byte = static_cast<unsigned char>(*pIn);
        if (byte < 0x20 || byte >= 0x7F || byte == '"' || byte == '\\')
            return;
        *pOut = static_cast<char>(byte);
    }
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

CJsonLine& CJsonLine::CodePageText(const char* pszKey, QByteArrayView bytes)
{
    Key(pszKey);
    String(bytes, true);
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

CJsonLine& CJsonLine::Objects(const char* pszKey, const QByteArrayList& objects)
{
    Key(pszKey);
    m_strLine += '[' + objects.join(',') + ']';
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

void CJsonLine::String(QByteArrayView bytes, bool bCodePage)
{
    const qsizetype nStart = m_strLine.size();
    m_strLine.resize(nStart + 2 + kMaxPerByte * bytes.size());
    char* pOut = m_strLine.data() + nStart;
    *pOut++ = '"';
    const char* pIn = bytes.data();
    const char* const pEnd = pIn + bytes.size();
    while (pIn < pEnd) {
        CopyPlainRun(pIn, pEnd, pOut);
        if (pIn == pEnd)
            break;
        // The run ended before a byte that needs a look. Control characters a
        // terminal would obey (DEL and U+0080 to U+009F too, which JSON allows
        // raw) are escaped, so that a peer's text cannot drive the terminal.
        const auto byte = static_cast<unsigned char>(*pIn++);
        if (byte < 0x80) {
            pOut = Escaped(pOut, byte);
        } else if (bCodePage) {
            const char16_t ch = CodePage::CharOf(byte).unicode();
            pOut = ch < 0xA0 ? Escaped(pOut, static_cast<unsigned char>(ch)) : Utf8(pOut, ch);
        } else if (byte == 0xC2 && pIn < pEnd && (*pIn & 0xE0) == 0x80) {
            // U+0080 to U+009F in UTF-8: 0xC2, then 0x80 to 0x9F.
            pOut = Escaped(pOut, static_cast<unsigned char>(*pIn++));
        } else {
            *pOut++ = static_cast<char>(byte); // already UTF-8
        }
    }
    *pOut++ = '"';
    m_strLine.truncate(pOut - m_strLine.constData());
}
