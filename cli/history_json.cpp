#include "cli/history_json.h"

#include "cli/json_line.h"

#include <QDateTime>

const char* RecipientResultName(ERecipientResult eResult)
{
    switch (eResult) {
    case ERecipientResult::Delivered:
        return "delivered";
    case ERecipientResult::Failed:
        return "failed";
    case ERecipientResult::SizeMismatch:
        return "size mismatch";
    case ERecipientResult::Waiting:
        return "waiting";
    case ERecipientResult::Unknown:
        return "unknown";
    case ERecipientResult::GivenUp:
        return "given up";
    case ERecipientResult::Cancelled:
        return "cancelled";
    case ERecipientResult::Pending:
        break;
    }
    return "pending";
}

QString HistoryTimeText(qint64 nTime)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(nTime);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QByteArray HistoryNoteJson(const CHistoryNote& note)
{
    CJsonLine json;
    json.CodePageText("address", note.strHost)
        .CodePageText("body", note.strBody)
        .Number("bytes", note.nBytes)
        .Text("direction", note.eDirection == EHistoryDirection::Out ? QStringLiteral("out")
                                                                     : QStringLiteral("in"));
    if (!note.strFile.isEmpty())
        json.Text("file", note.strFile);
    json.Number("id", note.nId)
        .CodePageText("nickname", note.strNickname.trimmed())
        .Number("priority", note.nPriority);
    if (note.eDirection == EHistoryDirection::Out && note.eOrigin == EHistoryOrigin::Network) {
        QByteArrayList recipients;
        for (const CHistoryRecipient& recipient : note.recipients)
            recipients.append(
                CJsonLine()
                    .Number("acknowledged", recipient.nAcknowledged)
                    .CodePageText("address", recipient.strAddress)
                    .Text("result", QString::fromLatin1(RecipientResultName(recipient.eResult)))
                    .Number("sent", recipient.nSent)
                    .Take());
        json.Objects("recipients", recipients);
    }
    return json.CodePageText("system", note.strSystem)
        .Text("time", HistoryTimeText(note.nTime))
        .CodePageText("title", note.strSubject)
        .Take();
}
