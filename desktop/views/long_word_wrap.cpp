#include "desktop/views/long_word_wrap.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

namespace LongWordWrap {
namespace {

// A word this long or longer makes the editor wrap anywhere.
constexpr qsizetype kLongWord = 256;

bool HasLongWord(const QString& strText)
{
    qsizetype nRun = 0;
    for (const QChar ch : strText) {
        nRun = ch.isSpace() ? 0 : nRun + 1;
        if (nRun >= kLongWord)
            return true;
    }
    return false;
}

template <class TEditor>
void WatchEditor(TEditor& editor)
{
    // A word may also grow key by key: each change looks at the paragraphs it touched.
    const auto Check = [&editor](int nPosition, int /*nRemoved*/, int nAdded) {
        if (nAdded <= 0 || editor.wordWrapMode() == QTextOption::WrapAnywhere)
            return;
        const QTextDocument* pDocument = editor.document();
        const QTextBlock last = pDocument->findBlock(nPosition + nAdded);
        for (QTextBlock block = pDocument->findBlock(nPosition); block.isValid();
             block = block.next()) {
            if (HasLongWord(block.text())) {
                editor.setWordWrapMode(QTextOption::WrapAnywhere);
                return;
            }
            if (block == last)
                break;
        }
    };
    QObject::connect(editor.document(), &QTextDocument::contentsChange, &editor, Check);
    Check(0, 0, editor.document()->characterCount());
}

} // namespace

void Watch(QTextEdit& editor)
{
    WatchEditor(editor);
}

void Watch(QPlainTextEdit& editor)
{
    WatchEditor(editor);
}

} // namespace LongWordWrap
