#include "desktop/views/rich_text_ctrl.h"

#include "core/text/code_page.h"
#include "core/text/editor_text.h"
#include "core/text/rtf_reader.h"
#include "desktop/views/font_chooser.h"
#include "desktop/views/long_word_wrap.h"

#include <QFontDatabase>
#include <QScopedValueRollback>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>

namespace {

QColor ColorOfRef(unsigned nColor)
{
    return QColor(static_cast<int>(nColor & 0xFF), static_cast<int>((nColor >> 8) & 0xFF),
                  static_cast<int>((nColor >> 16) & 0xFF));
}

unsigned RefOfColor(const QColor& color)
{
    return static_cast<unsigned>(color.red()) | (static_cast<unsigned>(color.green()) << 8) |
           (static_cast<unsigned>(color.blue()) << 16);
}

// The largest font a note is shown in. A note may ask for far larger ones, and
// the layout of a document tall enough from them never finishes: no reader
// needs more than this on a screen.
constexpr double kMaxPointSize = 72;
// The format changes a paragraph keeps; later runs of it take the format of the
// last one kept. Laying out a long paragraph costs more than linear time in
// its format changes, and no writer needs more.
constexpr int kMaxFormatRunsPerParagraph = 200;
// Every face a note names goes to the font machinery, which grows slower with
// each new name it meets, run long: a peer naming thousands of made-up faces
// in note after note would freeze the window. Faces installed here always
// pass; of the others, the first this many a run meets; the rest show in the
// default face.
constexpr qsizetype kMaxForeignFaces = 256;

bool IsFaceShown(const QString& strFace)
{
    static QSet<QString> foreign;
    static const QSet<QString> installed = [] {
        const QStringList families = QFontDatabase::families();
        return QSet<QString>(families.begin(), families.end());
    }();
    if (installed.contains(strFace) || foreign.contains(strFace))
        return true;
    if (foreign.size() >= kMaxForeignFaces)
        return false;
    foreign.insert(strFace);
    return true;
}

QTextCharFormat TextFormatOf(const CCharFormat& format)
{
    QTextCharFormat textFormat;
    if (format.nMask & CCharFormat::MaskFace)
        textFormat.setFontFamilies({format.strFace});
    if ((format.nMask & CCharFormat::MaskSize) && format.nHeight > 0)
        textFormat.setFontPointSize(std::min(format.nHeight / 20.0, kMaxPointSize));
    if (format.nMask & CCharFormat::MaskBold)
        textFormat.setFontWeight((format.nEffects & CCharFormat::EffectBold) ? QFont::Bold
                                                                             : QFont::Normal);
    if (format.nMask & CCharFormat::MaskItalic)
        textFormat.setFontItalic(format.nEffects & CCharFormat::EffectItalic);
    if (format.nMask & CCharFormat::MaskUnderline)
        textFormat.setFontUnderline(format.nEffects & CCharFormat::EffectUnderline);
    if (format.nMask & CCharFormat::MaskStrikeOut)
        textFormat.setFontStrikeOut(format.nEffects & CCharFormat::EffectStrikeOut);
    if (format.nMask & CCharFormat::MaskColor)
        textFormat.setForeground(ColorOfRef(format.nColor));
    return textFormat;
}

QTextCharFormat TextFormatOf(const CRtfCharFormat& rtf)
{
    CCharFormat format = CRichTextCtrl::DefaultFormat();
    format.nMask |= CCharFormat::MaskStrikeOut;
    if (!rtf.strFace.isEmpty() && IsFaceShown(rtf.strFace))
        format.strFace = rtf.strFace;
    if (rtf.nHalfPoints > 0)
        format.nHeight = rtf.nHalfPoints * 10;
    if (rtf.bHasColor)
        format.nColor =
            ((rtf.nColor >> 16) & 0xFF) | (rtf.nColor & 0xFF00) | ((rtf.nColor & 0xFF) << 16);
    format.nEffects = (rtf.bBold ? CCharFormat::EffectBold : 0u) |
                      (rtf.bItalic ? CCharFormat::EffectItalic : 0u) |
                      (rtf.bUnderline ? CCharFormat::EffectUnderline : 0u) |
                      (rtf.bStrikeOut ? CCharFormat::EffectStrikeOut : 0u);
    QTextCharFormat textFormat = TextFormatOf(format);
    // Text without a colour of its own is shown in the window's text colour.
    if (!rtf.bHasColor)
        textFormat.clearForeground();
    return textFormat;
}

} // namespace

const CCharFormat& CRichTextCtrl::DefaultFormat()
{
    static const CCharFormat kDefault{CCharFormat::MaskBold | CCharFormat::MaskItalic |
                                          CCharFormat::MaskUnderline | CCharFormat::MaskFace |
                                          CCharFormat::MaskSize | CCharFormat::MaskColor,
                                      0, 180, 0, QStringLiteral("Arial")};
    return kDefault;
}

CRichTextCtrl::CRichTextCtrl(QWidget* pParent) : QTextEdit(pParent) {}

bool CRichTextCtrl::CreateControl(bool bReadOnly)
{
    setObjectName(QStringLiteral("editor"));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QTextEdit::WidgetWidth);
    // A word longer than the line is broken too.
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    LongWordWrap::Watch(*this);
    setReadOnly(bReadOnly);
    SetDefaultFormat();
    return true;
}

void CRichTextCtrl::SetDefaultFormat()
{
    QTextCharFormat format = TextFormatOf(DefaultFormat());
    // The default colour, black, is the window's text colour: light on a dark
    // desktop theme, where black would not be read.
    format.clearForeground();
    document()->setDefaultFont(format.font());
    setCurrentCharFormat(format);
}

bool CRichTextCtrl::IsRtfText(const QByteArray& strText)
{
    return RtfReader::IsRtf(strText);
}

bool CRichTextCtrl::SetNoteText(const QByteArray& strText)
{
    const QScopedValueRollback setting(m_bSettingText, true);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    if (!IsRtfText(strText))
        return SetText(CodePage::ToUnicode(strText));
    clear();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    int nRuns = 0; // of the paragraph
    QTextCharFormat kept;
    for (const CRtfRun& run : RtfReader::Read(strText).runs) {
        const QStringList paragraphs = run.strText.split(u'\n');
        for (qsizetype n = 0; n < paragraphs.size(); ++n) {
            if (n > 0) {
                cursor.insertBlock(cursor.blockFormat(), kept);
                nRuns = 0;
            }
            if (++nRuns <= kMaxFormatRunsPerParagraph)
                kept = TextFormatOf(run.format);
            cursor.insertText(paragraphs[n], kept);
        }
    }
    cursor.endEditBlock();
    const bool bCut = CutToLimit();
    document()->clearUndoRedoStacks();
    moveCursor(QTextCursor::Start);
    return !bCut;
}

bool CRichTextCtrl::SetText(const QString& strText)
{
    const QScopedValueRollback setting(m_bSettingText, true);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // One character is one byte of the note.
    const bool bFits = m_nTextLimit == 0 || strText.size() <= m_nTextLimit;
    // In the default format, not in that of a rich text shown before.
    SetDefaultFormat();
    setPlainText(EditorText::FromText(bFits ? strText : strText.left(m_nTextLimit)));
    return bFits;
}

QString CRichTextCtrl::Text() const
{
    return EditorText::ToText(document()->toRawText());
}

qsizetype CRichTextCtrl::NoteBytes() const
{
    // Every character is one byte, and each paragraph break two ("\r\n").
    const QTextDocument* pDocument = document();
    return (pDocument->characterCount() - 1) + (pDocument->blockCount() - 1);
}

bool CRichTextCtrl::CutToLimit()
{
    if (m_nTextLimit == 0 || NoteBytes() <= m_nTextLimit)
        return false;
    // The text before a position has as many bytes as the position and the
    // paragraph breaks before it (which count twice): find the longest that fits.
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const int nEnd = cursor.position();
    const auto Bytes = [this](int nPosition) {
        return nPosition + document()->findBlock(nPosition).blockNumber();
    };
    int nKeep = 0;
    for (int nHigh = nEnd; nKeep < nHigh;) {
        const int nMiddle = nKeep + (nHigh - nKeep + 1) / 2;
        if (Bytes(nMiddle) <= m_nTextLimit)
            nKeep = nMiddle;
        else
            nHigh = nMiddle - 1;
    }
    cursor.setPosition(nKeep);
    cursor.setPosition(nEnd, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    return true;
}

QByteArray CRichTextCtrl::NoteText(bool* pbLossless) const
{
    return EditorText::ToNote(document()->toRawText(), pbLossless);
}

QString CRichTextCtrl::UnencodableCharacters() const
{
    return EditorText::Unencodable(document()->toRawText());
}

void CRichTextCtrl::SetTextLimit(qsizetype nBytes)
{
    if (m_nTextLimit == 0)
        connect(document(), &QTextDocument::contentsChange, this, &CRichTextCtrl::EnforceLimit);
    m_nTextLimit = nBytes;
}

void CRichTextCtrl::EnforceLimit(int nPosition, int, int nAdded)
{
    // A note's whole text is cut by SetNoteText itself.
    const qsizetype nExcess = NoteBytes() - m_nTextLimit;
    if (m_bSettingText || nExcess <= 0 || nAdded <= 0)
        return;
    QTextCursor cursor(document());
    const int nCut = static_cast<int>(std::min<qsizetype>(nExcess, nAdded));
    cursor.setPosition(nPosition + nAdded - nCut);
    cursor.setPosition(nPosition + nAdded, QTextCursor::KeepAnchor);
    cursor.joinPreviousEditBlock();
    cursor.removeSelectedText();
    cursor.endEditBlock();
}

void CRichTextCtrl::InsertText(const QByteArray& strText, int nPosition)
{
    QTextCursor cursor(document());
    cursor.setPosition(std::clamp(nPosition, 0, document()->characterCount() - 1));
    // Turning the undo record off for the insertion also drops what it held.
    document()->setUndoRedoEnabled(false);
    cursor.insertText(EditorText::FromNote(strText));
    document()->setUndoRedoEnabled(true);
}

int CRichTextCtrl::FindTextPos(const QByteArray& strText) const
{
    const QTextCursor found = document()->find(EditorText::FromNote(strText), 0);
    return found.isNull() ? -1 : found.selectionStart();
}

CCharFormat CRichTextCtrl::SelectionCharFormat() const
{
    // The format of the selection's first character (the cursor's own format is
    // that of the character before it, which for a selection made from its start
    // to its end is the last one, or the next paragraph's).
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        cursor.setPosition(cursor.selectionStart() + 1);
    const QTextCharFormat textFormat = cursor.charFormat();
    const QFont font = textFormat.font();
    CCharFormat format;
    format.nMask = DefaultFormat().nMask | CCharFormat::MaskStrikeOut;
    format.strFace = font.family();
    format.nHeight = static_cast<int>(font.pointSizeF() * 20 + 0.5);
    format.nColor = textFormat.foreground().style() == Qt::NoBrush
                        ? 0
                        : RefOfColor(textFormat.foreground().color());
    format.nEffects = (font.bold() ? CCharFormat::EffectBold : 0u) |
                      (font.italic() ? CCharFormat::EffectItalic : 0u) |
                      (font.underline() ? CCharFormat::EffectUnderline : 0u) |
                      (font.strikeOut() ? CCharFormat::EffectStrikeOut : 0u);
    return format;
}

void CRichTextCtrl::SetSelectionCharFormat(const CCharFormat& format)
{
    mergeCurrentCharFormat(TextFormatOf(format));
}

bool CRichTextCtrl::ChooseSelectionFont(IFontChooser& chooser)
{
    CCharFormat format = SelectionCharFormat();
    CFontChoice choice;
    choice.strFace = format.strFace;
    choice.dPointSize = format.nHeight / 20.0;
    choice.nWeight = (format.nEffects & CCharFormat::EffectBold) ? 700 : 400;
    choice.bItalic = format.nEffects & CCharFormat::EffectItalic;
    choice.bUnderline = format.nEffects & CCharFormat::EffectUnderline;
    choice.bStrikeOut = format.nEffects & CCharFormat::EffectStrikeOut;
    choice.nColor = format.nColor;
    if (!chooser.ChooseFont(this, choice))
        return false; // the selection keeps its formats, mixed ones too
    // A colour left as it was leaves each character's own (the window's, say).
    format.nMask = CCharFormat::MaskBold | CCharFormat::MaskItalic | CCharFormat::MaskUnderline |
                   CCharFormat::MaskStrikeOut | CCharFormat::MaskFace | CCharFormat::MaskSize |
                   (choice.nColor != format.nColor ? CCharFormat::MaskColor : 0u);
    format.strFace = choice.strFace;
    // The point size in twentieths: 10 points is 200.
    format.nHeight = static_cast<int>(std::lround(choice.dPointSize * 20));
    format.nColor = choice.nColor;
    format.nEffects = (choice.nWeight == 700 ? CCharFormat::EffectBold : 0u) |
                      (choice.bItalic ? CCharFormat::EffectItalic : 0u) |
                      (choice.bUnderline ? CCharFormat::EffectUnderline : 0u) |
                      (choice.bStrikeOut ? CCharFormat::EffectStrikeOut : 0u);
    SetSelectionCharFormat(format);
    return true;
}
