#include "cli/duration.h"

#include <QRegularExpression>

std::optional<std::chrono::milliseconds> ParseDuration(const QString& strText)
{
    static const QRegularExpression kForm(QStringLiteral("^([0-9]{1,9})(ms|s|m|h|d)?$"));
    const QRegularExpressionMatch match = kForm.match(strText.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const qint64 nCount = match.captured(1).toLongLong();
    const QString strUnit = match.captured(2);
    qint64 nUnit = 1000;
    if (strUnit == QLatin1String("ms"))
        nUnit = 1;
    else if (strUnit == QLatin1String("m"))
        nUnit = 60 * 1000;
    else if (strUnit == QLatin1String("h"))
        nUnit = 3600 * 1000;
    else if (strUnit == QLatin1String("d"))
        nUnit = 24 * 3600 * 1000;
    const qint64 nMs = nCount * nUnit;
    constexpr qint64 kMost = qint64(30) * 24 * 3600 * 1000;
    if (nMs <= 0 || nMs > kMost)
        return std::nullopt;
    return std::chrono::milliseconds(nMs);
}
