#include "core/text/editor_text.h"

#include "core/text/code_page.h"

#include <QList>

namespace EditorText {
namespace {
constexpr char16_t kParagraph = 0x2029;
constexpr char16_t kLineBreak = 0x2028;
constexpr char16_t kCarriageReturn = 0x240D;
constexpr char16_t kNull = 0x2400;
} // namespace

QString FromNote(const QByteArray& strNote)
{
    return FromText(CodePage::ToUnicode(strNote));
}

QString FromText(const QString& strText)
{
    QString strOut;
    strOut.reserve(strText.size());
    for (qsizetype i = 0; i < strText.size(); ++i) {
        const QChar ch = strText[i];
        if (ch == u'\r' && i + 1 < strText.size() && strText[i + 1] == u'\n') {
            strOut += u'\n'; // the editor makes a paragraph of it
            ++i;
        } else if (ch == u'\r') {
            strOut += QChar(kCarriageReturn);
        } else if (ch == u'\n') {
            strOut += QChar(kLineBreak);
        } else if (ch.isNull()) {
            strOut += QChar(kNull);
        } else {
            strOut += ch;
        }
    }
    return strOut;
}

QByteArray ToNote(const QString& strEditor, bool* pbLossless)
{
    return CodePage::FromUnicode(ToText(strEditor), pbLossless);
}

QString ToText(const QString& strEditor)
{
    QString strText;
    strText.reserve(strEditor.size() + strEditor.size() / 16);
    for (const QChar ch : strEditor) {
        if (ch == QChar(kParagraph))
            strText += QStringLiteral("\r\n");
        else if (ch == QChar(kLineBreak))
            strText += u'\n';
        else if (ch == QChar(kCarriageReturn))
            strText += u'\r';
        else if (ch == QChar(kNull))
            strText += QChar(0);
        else
            strText += ch;
    }
    return strText;
}

QString Unencodable(const QString& strEditor)
{
    QString strFound;
    for (const char32_t ch : strEditor.toUcs4()) {
        if (ch == kParagraph || ch == kLineBreak || ch == kCarriageReturn || ch == kNull ||
            CodePage::ByteOf(ch) >= 0)
            continue;
        const QString strChar = QString::fromUcs4(&ch, 1);
        if (!strFound.contains(strChar)) {
            strFound += strChar;
            if (strFound.size() >= kMaxUnencodable)
                break;
        }
    }
    return strFound;
}

QString LinesFromNote(const QByteArray& strNote)
{
    return CodePage::ToUnicode(strNote).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QByteArray LinesToNote(QString strLines, bool* pbLossless)
{
    strLines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(u'\n', QStringLiteral("\r\n"));
    return CodePage::FromUnicode(strLines, pbLossless);
}

} // namespace EditorText
