#include "desktop/views/font_chooser.h"
#include "desktop/views/rich_text_ctrl.h"

#include <QFile>
#include <QImage>
#include <QPalette>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class CScriptedFontChooser : public IFontChooser
{
public:
    bool ChooseFont(QWidget*, CFontChoice& choice) override
    {
        m_offered = choice;
        if (m_bConfirm)
            choice = m_answer;
        return m_bConfirm;
    }

    bool m_bConfirm = true;
    CFontChoice m_answer;
    CFontChoice m_offered;
};

QByteArray Sample(const char* pszName)
{
    QFile file(QStringLiteral(BLIPNOTE_TEST_DATA_DIR "/") + QString::fromLatin1(pszName));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The character format at the first occurrence of the text.
QTextCharFormat FormatAt(CRichTextCtrl& ctrl, const QString& strText)
{
    QTextCursor cursor = ctrl.document()->find(strText);
    EXPECT_FALSE(cursor.isNull()) << strText.toStdString();
    cursor.setPosition(cursor.selectionStart() + 1);
    return cursor.charFormat();
}

class RichTextCtrlTest : public ::testing::Test
{
protected:
    RichTextCtrlTest() { m_ctrl.CreateControl(false); }
    CRichTextCtrl m_ctrl;
};

} // namespace

TEST_F(RichTextCtrlTest, TheDefaultFormatIsArialNinePointsInTheWindowsTextColour)
{
    const QTextCharFormat format = m_ctrl.currentCharFormat();
    EXPECT_EQ(format.font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(format.font().pointSize(), 9);
    EXPECT_FALSE(format.font().bold());
    EXPECT_EQ(format.foreground().style(), Qt::NoBrush); // black on a light theme
    EXPECT_EQ(CRichTextCtrl::DefaultFormat().nMask, 0xE0000007u);
    EXPECT_EQ(CRichTextCtrl::DefaultFormat().nHeight, 180);
    CRichTextCtrl readOnly;
    readOnly.CreateControl(true);
    EXPECT_TRUE(readOnly.isReadOnly());
}

TEST_F(RichTextCtrlTest, OnlyAnExactRtfStartIsRichText)
{
    EXPECT_TRUE(CRichTextCtrl::IsRtfText("{\\rtf1\\ansi x}"));
    EXPECT_FALSE(CRichTextCtrl::IsRtfText("{\\RTF1 x}"));
    EXPECT_FALSE(CRichTextCtrl::IsRtfText(" {\\rtf1 x}"));
    EXPECT_FALSE(CRichTextCtrl::IsRtfText("{\\rt"));

    m_ctrl.SetNoteText("{\\RTF1 shown as it is}");
    EXPECT_EQ(m_ctrl.toPlainText(), QStringLiteral("{\\RTF1 shown as it is}"));
    m_ctrl.SetNoteText(" {\\rtf1 x}");
    EXPECT_EQ(m_ctrl.toPlainText(), QStringLiteral(" {\\rtf1 x}"));
    m_ctrl.SetNoteText("");
    EXPECT_TRUE(m_ctrl.document()->isEmpty());
}

TEST_F(RichTextCtrlTest, ShowsRichTextWithItsFormats)
{
    m_ctrl.SetNoteText(Sample("libreoffice_formats.rtf"));
    EXPECT_TRUE(m_ctrl.toPlainText().startsWith(
        QStringLiteral("Plain start, bold, italic, underlined, struck and red text.\n")));
    EXPECT_EQ(m_ctrl.document()->blockCount(), 4);
    EXPECT_TRUE(FormatAt(m_ctrl, QStringLiteral("bold")).font().bold());
    EXPECT_FALSE(FormatAt(m_ctrl, QStringLiteral("Plain")).font().bold());
    EXPECT_TRUE(FormatAt(m_ctrl, QStringLiteral("italic")).font().italic());
    EXPECT_TRUE(FormatAt(m_ctrl, QStringLiteral("underlined")).font().underline());
    EXPECT_TRUE(FormatAt(m_ctrl, QStringLiteral("struck")).font().strikeOut());
    EXPECT_EQ(FormatAt(m_ctrl, QStringLiteral("red")).foreground().color(), QColor(Qt::red));
    EXPECT_EQ(FormatAt(m_ctrl, QStringLiteral("Big serif")).font().pointSize(), 18);
    EXPECT_EQ(FormatAt(m_ctrl, QStringLiteral("Big serif")).fontFamilies().toStringList(),
              QStringList({QStringLiteral("Liberation Serif")}));
    // The body of a rich note reads back as its plain text.
    EXPECT_TRUE(m_ctrl.NoteText().startsWith("Plain start, bold"));
    EXPECT_TRUE(m_ctrl.NoteText().contains("Big serif line\nafter a line break\r\n"));
}

TEST_F(RichTextCtrlTest, PlainTextKeepsEveryCharacter)
{
    QByteArray strAll;
    for (int n = 1; n < 256; ++n)
        strAll.append(static_cast<char>(n));
    for (const QByteArray& strText :
         {QByteArray("line one\r\nline two\r\n\r\nafter a blank line"), QByteArray("lone\nfeed"),
          QByteArray("lone\rreturn\r"), QByteArray("tab\there, nbsp\xA0 and \x80 \x81"), strAll,
          strAll + '\0' + strAll}) {
        m_ctrl.SetNoteText(strText);
        bool bLossless = false;
        EXPECT_EQ(m_ctrl.NoteText(&bLossless), strText);
        EXPECT_TRUE(bLossless);
    } // A zero byte shows as the symbol for null, as a lone return shows as its symbol.
    m_ctrl.SetNoteText(QByteArray("a\0b\rc", 5));
    EXPECT_EQ(m_ctrl.toPlainText(), QStringLiteral("a\u2400b\u240Dc"));
}

TEST_F(RichTextCtrlTest, TypedCharactersOutsideTheCodePageAreReported)
{
    m_ctrl.SetNoteText("");
    m_ctrl.insertPlainText(QStringLiteral("Привет"));
    bool bLossless = true;
    m_ctrl.NoteText(&bLossless);
    EXPECT_FALSE(bLossless);
}

TEST_F(RichTextCtrlTest, InsertsAtAPositionWithoutAnUndoStep)
{
    m_ctrl.SetNoteText("world");
    m_ctrl.InsertText("Hello ", 0);
    EXPECT_EQ(m_ctrl.NoteText(), "Hello world");
    m_ctrl.InsertText("!", 1000);
    EXPECT_EQ(m_ctrl.NoteText(), "Hello world!");
    m_ctrl.InsertText("dear ", 6);
    EXPECT_EQ(m_ctrl.NoteText(), "Hello dear world!");
    EXPECT_FALSE(m_ctrl.document()->isUndoAvailable());
}

TEST_F(RichTextCtrlTest, FindsTextIgnoringCase)
{
    m_ctrl.SetNoteText("Dear Ann,\r\nsee you AT noon");
    EXPECT_EQ(m_ctrl.FindTextPos("ann"), 5);
    EXPECT_EQ(m_ctrl.FindTextPos("at NOON"), 18);
    EXPECT_EQ(m_ctrl.FindTextPos("Dear"), 0);
    EXPECT_EQ(m_ctrl.FindTextPos("missing"), -1);
}

TEST_F(RichTextCtrlTest, ChoosingAFontAppliesItOrKeepsTheOldOne)
{
    m_ctrl.SetNoteText("{\\rtf1 {\\b bold words}}");
    m_ctrl.selectAll();
    CScriptedFontChooser chooser;
    chooser.m_answer.strFace = QStringLiteral("Liberation Serif");
    chooser.m_answer.dPointSize = 10.5;
    chooser.m_answer.nWeight = 400;
    chooser.m_answer.bUnderline = true;
    chooser.m_answer.nColor = 0x0000FF; // red in the lowest byte

    chooser.m_bConfirm = false;
    EXPECT_FALSE(m_ctrl.ChooseSelectionFont(chooser));
    EXPECT_EQ(chooser.m_offered.nWeight, 700);
    EXPECT_TRUE(m_ctrl.SelectionCharFormat().nEffects & CCharFormat::EffectBold);

    chooser.m_bConfirm = true;
    EXPECT_TRUE(m_ctrl.ChooseSelectionFont(chooser));
    const CCharFormat format = m_ctrl.SelectionCharFormat();
    EXPECT_EQ(format.nHeight, 210); // 10.5 points, in twentieths
    EXPECT_EQ(format.nEffects, static_cast<unsigned>(CCharFormat::EffectUnderline));
    EXPECT_EQ(format.nColor, 0x0000FFu);
    EXPECT_EQ(format.strFace, QStringLiteral("Liberation Serif"));
}

TEST_F(RichTextCtrlTest, OnADarkThemeTextWithoutAColourOfItsOwnIsLight)
{
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
    m_ctrl.setPalette(dark);
    m_ctrl.resize(400, 120);
    // The lightest and the reddest pixel the editor shows.
    const auto Drawn = [this] {
        const QImage image = m_ctrl.viewport()->grab().toImage();
        int nLightest = 0;
        int nReddest = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                nLightest =
                    std::max(nLightest, std::min({pixel.red(), pixel.green(), pixel.blue()}));
                nReddest = std::max(nReddest, pixel.red() - pixel.green());
            }
        }
        return std::pair{nLightest, nReddest};
    };
    for (const QByteArray& strText :
         {QByteArray("A plain note"), QByteArray("{\\rtf1 rich text without colours}")}) {
        m_ctrl.SetNoteText(strText);
        EXPECT_GT(Drawn().first, 0xA0) << strText.constData();
    }
    // A rich note's own colours stay: red is red, and uncoloured text is light.
    m_ctrl.SetNoteText("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cf1 red\\cf0  plain}");
    EXPECT_EQ(FormatAt(m_ctrl, QStringLiteral("red")).foreground().color(), QColor(Qt::red));
    EXPECT_EQ(FormatAt(m_ctrl, QStringLiteral("plain")).foreground().style(), Qt::NoBrush);
    EXPECT_GT(Drawn().second, 0x80);

    // A font chosen without touching the colour leaves the text light.
    m_ctrl.SetNoteText("A plain note");
    m_ctrl.selectAll();
    CScriptedFontChooser chooser;
    chooser.m_answer.strFace = QStringLiteral("Liberation Serif");
    chooser.m_answer.dPointSize = 12;
    chooser.m_answer.nWeight = 700;
    chooser.m_answer.nColor = m_ctrl.SelectionCharFormat().nColor;
    EXPECT_TRUE(m_ctrl.ChooseSelectionFont(chooser));
    m_ctrl.moveCursor(QTextCursor::End);
    EXPECT_GT(Drawn().first, 0xA0);
}

TEST_F(RichTextCtrlTest, MadeUpFacesBeyondABoundShowInTheDefaultFace)
{
    // Notes naming hundreds of faces that exist nowhere: only so many new
    // names a run reach the font machinery, whose cost grows with each.
    const auto ManyFaces = [](char cPrefix) {
        QByteArray strTable = "{\\rtf1{\\fonttbl";
        QByteArray strText;
        for (int n = 0; n < 400; ++n) {
            const QByteArray strNumber = QByteArray::number(n);
            strTable += "{\\f" + strNumber + " " + cPrefix + strNumber + "x;}";
            strText += "\\f" + strNumber + " a\\par ";
        }
        return strTable + "}" + strText + "}";
    };
    QSet<QString> faces;
    for (const char cPrefix : {'Q', 'R'}) {
        m_ctrl.SetNoteText(ManyFaces(cPrefix));
        for (QTextBlock block = m_ctrl.document()->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                for (const QString& strFace :
                     it.fragment().charFormat().fontFamilies().toStringList())
                    faces.insert(strFace);
            }
        }
    }
    faces.remove(QStringLiteral("Arial"));
    EXPECT_GT(faces.size(), 100);
    EXPECT_LE(faces.size(), 256);
}

TEST_F(RichTextCtrlTest, WhatALayoutCanBeAskedToDoIsBounded)
{
    // Fonts no reader needs, that make the layout of a tall note never finish.
    m_ctrl.SetNoteText("{\\rtf1\\fs3276 huge\\par \\fs20 small}");
    QTextCursor cursor(m_ctrl.document());
    cursor.setPosition(2);
    EXPECT_EQ(cursor.charFormat().fontPointSize(), 72);
    cursor.setPosition(7);
    EXPECT_EQ(cursor.charFormat().fontPointSize(), 10);

    // A paragraph keeps its first 200 format changes; the rest of it stays in
    // the last format kept. The next paragraph starts afresh.
    QByteArray strRuns = "{\\rtf1 ";
    for (int n = 0; n < 300; ++n)
        strRuns += (n % 2 ? "\\b0 y" : "\\b x");
    strRuns += "\\par \\b0 z\\b w}";
    m_ctrl.SetNoteText(strRuns);
    const auto BoldAt = [this](int nPosition) {
        QTextCursor at(m_ctrl.document());
        at.setPosition(nPosition);
        return at.charFormat().fontWeight() == QFont::Bold;
    };
    EXPECT_TRUE(BoldAt(1));
    EXPECT_FALSE(BoldAt(2));
    EXPECT_FALSE(BoldAt(200)); // the 200th run, not bold
    EXPECT_FALSE(BoldAt(201)); // would be bold, but kept as the 200th
    EXPECT_FALSE(BoldAt(300)); // to the end of the paragraph
    EXPECT_FALSE(BoldAt(302)); // "z" of the next paragraph
    EXPECT_TRUE(BoldAt(303));  // "w" is bold again
    EXPECT_EQ(m_ctrl.NoteText(), QByteArray(150, 'x').replace("x", "xy") + "\r\nzw");

    // A very long word makes the note wrap anywhere, also when it is typed.
    m_ctrl.SetNoteText("short words only");
    EXPECT_EQ(m_ctrl.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_ctrl.SetNoteText(QByteArray(300, 'x'));
    EXPECT_EQ(m_ctrl.wordWrapMode(), QTextOption::WrapAnywhere);
    m_ctrl.SetNoteText("a");
    EXPECT_EQ(m_ctrl.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_ctrl.moveCursor(QTextCursor::End);
    for (int n = 0; n < 300; ++n)
        m_ctrl.insertPlainText(QStringLiteral("b"));
    EXPECT_EQ(m_ctrl.wordWrapMode(), QTextOption::WrapAnywhere);
}

TEST_F(RichTextCtrlTest, TheTextLimitHoldsForTextSetByTheProgram)
{
    m_ctrl.SetTextLimit(10);
    EXPECT_TRUE(m_ctrl.SetNoteText("0123456789"));
    EXPECT_FALSE(m_ctrl.SetNoteText("0123456789abc"));
    EXPECT_EQ(m_ctrl.NoteText(), "0123456789");
    // Paragraph breaks count two bytes, as they are sent.
    EXPECT_FALSE(m_ctrl.SetNoteText("{\\rtf1 aaaa\\par bbbb\\par cccc}"));
    EXPECT_EQ(m_ctrl.NoteText(), "aaaa\r\nbbbb");
    EXPECT_FALSE(m_ctrl.SetNoteText("{\\rtf1 aaa\\par bbbbbbbbbb}"));
    EXPECT_EQ(m_ctrl.NoteText(), "aaa\r\nbbbbb");
    EXPECT_TRUE(m_ctrl.SetNoteText("{\\rtf1 aaa\\par bbbbb}"));
}
