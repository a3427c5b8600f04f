#pragma once

#include <QString>

#include <vector>

// The character formats a note's rich text may carry.
struct CRtfCharFormat
{
    QString strFace;     // empty: the control's default face
    int nHalfPoints = 0; // 0: the control's default size
    bool bHasColor = false;
    unsigned nColor = 0; // 0xRRGGBB
    bool bBold = false;
    bool bItalic = false;
    bool bUnderline = false;
    bool bStrikeOut = false;

    friend bool operator==(const CRtfCharFormat&, const CRtfCharFormat&) = default;
};

// A stretch of text in one format. Paragraph breaks are "\n", line breaks
// U+2028, tabs "\t".
struct CRtfRun
{
    QString strText;
    CRtfCharFormat format;
};

struct CRtfDocument
{
    std::vector<CRtfRun> runs;

    QString PlainText() const;
};

// Reads rich text (RTF) as word processors write it: groups, the font and colour
// tables, bold, italic, underline, strike-out, size and colour, paragraphs, line
// breaks, tabs, "\'hh" escapes (Windows-1252), "\uN" with its fallback; unknown
// destinations are skipped. It never fails: for malformed input it returns the
// text it could recover. It works in one pass without recursion, so deep nesting,
// unbalanced braces, huge numbers or a cut-off text cost no more than their length.
namespace RtfReader {

// Whether a note's text is rich text (it begins "{\rtf").
inline bool IsRtf(const QByteArray& strText)
{
    return strText.startsWith("{\\rtf");
}

CRtfDocument Read(const QByteArray& strRtf);

} // namespace RtfReader
