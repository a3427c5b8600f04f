#include "cli/note_json.h"

#include "core/messaging/tagged_text.h"
#include "core/text/code_page.h"

#include <QJsonDocument>
#include <QJsonObject>

QByteArray ReceivedNoteJson(const QByteArray& strText, qint64 nAcknowledged)
{
    const TaggedText::CParsedNote note = TaggedText::Parse(strText);
    QJsonObject json;
    json.insert(QStringLiteral("nickname"),
                CodePage::ToUnicode(TaggedText::TrimNickname(note.strNickname)));
    json.insert(QStringLiteral("body"), CodePage::ToUnicode(note.strBody));
    json.insert(QStringLiteral("system"), CodePage::ToUnicode(note.strSystem));
    json.insert(QStringLiteral("title"), CodePage::ToUnicode(note.strTitle));
    json.insert(QStringLiteral("priority"), note.nPriority);
    json.insert(QStringLiteral("address"), CodePage::ToUnicode(note.strAddress));
    json.insert(QStringLiteral("bytes"), nAcknowledged);
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}
