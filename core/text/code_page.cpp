#include "core/text/code_page.h"

#include <QList>

#include <array>

namespace {

// Characters of the bytes 0x80 to 0x9F; the unassigned bytes keep their own value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t CharOfByte(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

} // namespace

namespace CodePage {

QString ToUnicode(const QByteArray& strBytes)
{
    QString strText(strBytes.size(), Qt::Uninitialized);
    QChar* pOut = strText.data();
    for (const char c : strBytes)
        *pOut++ = QChar(CharOfByte(static_cast<unsigned char>(c)));
    return strText;
}

QChar CharOf(unsigned char byte)
{
    return QChar(CharOfByte(byte));
}

int ByteOf(char32_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<int>(ch);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == ch)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

QByteArray FromUnicode(const QString& strText, bool* pbLossless)
{
    // Written in place, one byte per character (a surrogate pair is one): the
    // settings of a large host list convert a hundred thousand texts.
    QByteArray strBytes(strText.size(), Qt::Uninitialized);
    char* pOut = strBytes.data();
    bool bLossless = true;
    const QChar* const pEnd = strText.constData() + strText.size();
    for (const QChar* pIn = strText.constData(); pIn != pEnd; ++pIn) {
        const char16_t ch = pIn->unicode();
        if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) {
            *pOut++ = static_cast<char>(ch);
            continue;
        }
        if (pIn->isHighSurrogate() && pIn + 1 != pEnd && pIn[1].isLowSurrogate())
            ++pIn;
        const int nByte = ByteOf(ch);
        if (nByte < 0)
            bLossless = false;
        *pOut++ = nByte < 0 ? '?' : static_cast<char>(nByte);
    }
    strBytes.truncate(pOut - strBytes.constData());
    if (pbLossless)
        *pbLossless = bLossless;
    return strBytes;
}

} // namespace CodePage
