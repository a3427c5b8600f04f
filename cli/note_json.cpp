#include "cli/note_json.h"

#include "cli/json_line.h"
#include "core/notes/tagged_text.h"

QByteArray ReceivedNoteJson(const QByteArray& strText, qint64 nAcknowledged, const QString& strFile)
{
    const TaggedText::CParsedNoteView note = TaggedText::ParseView(strText);
    CJsonLine json;
    json.CodePageText("address", note.address)
        .CodePageText("body", note.body)
        .Number("bytes", nAcknowledged);
    if (!strFile.isEmpty())
        json.Text("file", strFile);
    return json.CodePageText("nickname", note.nickname.trimmed())
        .Number("priority", note.nPriority)
        .CodePageText("system", note.system)
        .CodePageText("title", note.title)
        .Take();
}
