#include "desktop/setup/lines_edit.h"

#include "core/interfaces/prompts.h"
#include "core/text/code_page_refusal.h"
#include "core/text/editor_text.h"
#include "desktop/views/long_word_wrap.h"

#include <QTextDocument>

CLinesEdit::CLinesEdit(const QByteArray& strStored, QWidget* pParent)
    : QPlainTextEdit(EditorText::LinesFromNote(strStored), pParent)
{
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    LongWordWrap::Watch(*this);
}

bool CLinesEdit::IsEdited() const
{
    return document()->isModified();
}

QString CLinesEdit::Lines() const
{
    // The raw text: the plain one turns no-break spaces into blanks.
    return document()
        ->toRawText()
        .replace(QChar::ParagraphSeparator, u'\n')
        .replace(QChar::LineSeparator, u'\n');
}

bool CLinesEdit::CanStore(IPrompts& prompts, const QString& strSubject, const QString& strUsers)
{
    if (!IsEdited())
        return true;
    const QString strUnencodable = EditorText::Unencodable(Lines());
    if (strUnencodable.isEmpty())
        return true;
    prompts.ShowMessage(CodePageRefusal::Text(CodePageRefusal::EForm::Characters, strSubject,
                                              strUnencodable, strUsers),
                        PromptIcon::Stop);
    setFocus();
    return false;
}
