#include "cli/json_line.h"
#include "core/text/code_page.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

// What Qt's own JSON writer makes of the same members, with the control
// characters it leaves raw (DEL, U+0080 to U+009F) escaped: the reference the
// line's output must match byte for byte.
QByteArray QtLine(const QByteArray& strBytes, qint64 nNumber)
{
    QJsonObject object;
    object.insert(QStringLiteral("body"), CodePage::ToUnicode(strBytes));
    object.insert(QStringLiteral("bytes"), nNumber);
    object.insert(QStringLiteral("file"), QString::fromUtf8(strBytes));
    QByteArray strLine = QJsonDocument(object).toJson(QJsonDocument::Compact);
    strLine.replace("\x7f", "\\u007f");
    for (char c = '\x80'; c != '\xA0'; ++c)
        strLine.replace(QByteArray("\xC2") + c,
                        "\\u00" + QByteArray::number(static_cast<unsigned char>(c), 16));
    return strLine;
}

QByteArray OurLine(const QByteArray& strBytes, qint64 nNumber)
{
    CJsonLine line;
    return line.CodePageText("body", strBytes)
        .Number("bytes", nNumber)
        .Text("file", QString::fromUtf8(strBytes))
        .Take();
}

} // namespace

TEST(JsonLine, EveryByteAnywhereIsWrittenAsQtWritesIt)
{
    // Each byte value at each place of the 64- and 16-byte stretches that are
    // copied whole, and just past them, in plain text around it.
    for (const qsizetype nLength : {1, 15, 16, 17, 63, 64, 65, 130}) {
        for (qsizetype nAt = 0; nAt < nLength; ++nAt) {
            for (int nByte = 0; nByte < 256; ++nByte) {
                QByteArray strBytes(nLength, 'x');
                strBytes[nAt] = static_cast<char>(nByte);
                ASSERT_EQ(OurLine(strBytes, nLength), QtLine(strBytes, nLength))
                    << "byte " << nByte << " at " << nAt << " of " << nLength;
            }
        }
    }
}

TEST(JsonLine, RandomTextsAreWrittenAsQtWritesThem)
{
    QRandomGenerator random(7);
    for (int nRound = 0; nRound < 2000; ++nRound) {
        QByteArray strBytes(random.bounded(400), '\0');
        // Mostly plain text with a few bytes of every kind between.
        for (char& ch : strBytes)
            ch = static_cast<char>(random.bounded(10) == 0 ? random.bounded(256)
                                                           : 'a' + random.bounded(26));
        const qint64 nNumber =
            static_cast<qint64>(random.generate64() >> 1) * (nRound % 2 ? -1 : 1);
        ASSERT_EQ(OurLine(strBytes, nNumber), QtLine(strBytes, nNumber)) << nRound;
    }
}

TEST(JsonLine, NoControlCharacterReachesTheTerminalRaw)
{
    // The code page's unassigned bytes stand for C1 controls; a terminal obeys
    // 0x9B (CSI) and 0x90 (DCS) as it obeys ESC.
    CJsonLine line;
    EXPECT_EQ(
        line.CodePageText("a", "\x1b[2J\x7f\x81\x8d\x8f\x90\x9d\x80\x9b")
            .Text("b", QStringLiteral("\u0085\u009b\u00a0"))
            .Take(),
        "{\"a\":\"\\u001b[2J\\u007f\\u0081\\u008d\\u008f\\u0090\\u009d\xE2\x82\xAC\xE2\x80\xBA\","
        "\"b\":\"\\u0085\\u009b\xC2\xA0\"}");
}

TEST(JsonLine, ALineIsUsedAgainAfterItIsTaken)
{
    CJsonLine line;
    EXPECT_EQ(line.Number("a", 1).Take(), "{\"a\":1}");
    EXPECT_EQ(line.CodePageText("b", "\"").Take(), "{\"b\":\"\\\"\"}");
    EXPECT_EQ(line.Take(), "{}");
}
