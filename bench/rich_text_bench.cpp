// How long a note window takes to show the worst texts a peer can send: each
// text goes into the note editor as it does when a note arrives, and the editor
// lays it out completely, at the width of a note window.
#include "desktop/views/rich_text_ctrl.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QTextDocument>

#include <cstdio>
#include <functional>

namespace {

// Repeats a piece of text until the note holds about nBytes.
QByteArray Repeat(const QByteArray& strHead, const QByteArray& strPiece, qsizetype nBytes,
                  const QByteArray& strTail = "}")
{
    QByteArray strText = strHead;
    while (strText.size() + strPiece.size() + strTail.size() <= nBytes)
        strText += strPiece;
    return strText + strTail;
}

double MillisecondsToShow(const QByteArray& strNote)
{
    CRichTextCtrl editor;
    editor.CreateControl(true);
    editor.resize(520, 300);
    QElapsedTimer timer;
    timer.start();
    editor.SetNoteText(strNote);
    editor.document()->setTextWidth(editor.viewport()->width());
    editor.document()->documentLayout()->documentSize(); // the whole layout
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    constexpr qsizetype kLimit = 110000;
    const std::pair<const char*, QByteArray> notes[] = {
        {"plain text, 110 kB of short lines", Repeat("", "Shall we go for lunch?\r\n", kLimit, "")},
        {"plain text, one 100 kB word", QByteArray(100000, 'x')},
        {"rich text, 3,500 paragraphs at 1,638 points",
         Repeat("{\\rtf1\\fs3276 ", "x\\par ", 21000)},
        {"rich text, paragraphs at 1,638 points up to the limit",
         Repeat("{\\rtf1\\fs3276 ", "x\\par ", kLimit)},
        {"rich text, one 100 kB word", Repeat("{\\rtf1 ", "x", 100000)},
        {"rich text, one 100 kB word at 1,638 points", Repeat("{\\rtf1\\fs3276 ", "x", 100000)},
        {"rich text, alternating bold runs up to the limit",
         Repeat("{\\rtf1 ", "\\b x\\b0 y", kLimit)},
        {"rich text, a new font size for every letter",
         Repeat("{\\rtf1 ", "\\fs8 a\\fs400 b\\fs2000 c", kLimit)},
        {"rich text, line breaks in one paragraph at 1,638 points",
         Repeat("{\\rtf1\\fs3276 ", "x\\line ", kLimit)},
        {"plain text, 110,000 lone line feeds", QByteArray(kLimit, '\n')},
        {"plain text, 110,000 lone returns", QByteArray(kLimit, '\r')},
        {"plain text, 110,000 tabs", QByteArray(kLimit, '\t')},
        {"rich text, 110,000 tabs in one paragraph", Repeat("{\\rtf1 ", "\\tab ", kLimit)},
        {"rich text, nested groups up to the limit", Repeat("{\\rtf1 ", "{\\b x", kLimit)},
    };
    std::printf("%-58s %12s\n", "note (at most 110,000 bytes)", "ms to show");
    for (const auto& [pszName, strNote] : notes) {
        std::printf("%-58s ", pszName);
        std::fflush(stdout);
        std::printf("%12.1f\n", MillisecondsToShow(strNote));
    }
    return 0;
}
