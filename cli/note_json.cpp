#include "cli/note_json.h"

#include "cli/json_line.h"
#include "core/messaging/tagged_text.h"

QByteArray ReceivedNoteJson(const QByteArray& strText, qint64 nAcknowledged, const QString& strFile)
{
    const TaggedText::CParsedNote note = TaggedText::Parse(strText);
    CJsonLine json;
    json.CodePageText("address", note.strAddress)
        .CodePageText("body", note.strBody)
        .Number("bytes", nAcknowledged);
    if (!strFile.isEmpty())
        json.Text("file", strFile);
    return json.CodePageText("nickname", TaggedText::TrimNickname(note.strNickname))
        .Number("priority", note.nPriority)
        .CodePageText("system", note.strSystem)
        .CodePageText("title", note.strTitle)
        .Take();
}
