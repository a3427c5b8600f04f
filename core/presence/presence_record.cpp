#include "core/presence/presence_record.h"

namespace {

const QByteArray kNickname = QByteArrayLiteral("nickname");
const QByteArray kComputer = QByteArrayLiteral("computer");
const QByteArray kVersion = QByteArrayLiteral("version");

QByteArray Entry(const QByteArray& strKey, const QString& strValue)
{
    return strKey + '=' + strValue.left(CPresenceRecord::MaxValueLength).toUtf8();
}

} // namespace

QString CPresenceRecord::CleanValue(const QString& strValue, qsizetype nLength)
{
    QString strClean;
    strClean.reserve(std::min(strValue.size(), nLength));
    for (const QChar c : strValue) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            continue;
        strClean += c;
        if (strClean.size() >= nLength)
            break;
    }
    if (!strClean.isEmpty() && strClean.back().isHighSurrogate())
        strClean.chop(1);
    return strClean.trimmed();
}

QByteArrayList CPresenceRecord::ToTxt() const
{
    return {QByteArrayLiteral("txtvers=1"), Entry(kNickname, strNickname),
            Entry(kComputer, strComputer), Entry(kVersion, strVersion)};
}

CPresenceRecord CPresenceRecord::FromTxt(const QByteArrayList& txt)
{
    CPresenceRecord record;
    struct CField
    {
        const QByteArray& strKey;
        QString& strValue;
        bool bSeen;
    };
    CField fields[] = {{kNickname, record.strNickname, false},
                       {kComputer, record.strComputer, false},
                       {kVersion, record.strVersion, false}};
    for (const QByteArray& strEntry : txt) {
        const qsizetype nEqual = strEntry.indexOf('=');
        if (nEqual <= 0)
            continue;
        const QByteArrayView key = QByteArrayView(strEntry).first(nEqual);
        for (CField& field : fields) {
            // The first of a key counts, as DNS-SD says.
            if (!field.bSeen && key.compare(field.strKey, Qt::CaseInsensitive) == 0) {
                // Read no more than the longest value could take.
                const QByteArrayView value = QByteArrayView(strEntry).sliced(nEqual + 1);
                field.strValue = CleanValue(QString::fromUtf8(
                    value.first(std::min<qsizetype>(value.size(), MaxValueLength * 4))));
                field.bSeen = true;
            }
        }
    }
    return record;
}
