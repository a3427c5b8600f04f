#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

// Texts as GoogleTest prints them when a comparison fails: readable, not as
// arrays of character objects.
inline void PrintTo(const QString& strText, std::ostream* pOut)
{
    *pOut << '"' << strText.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* pOut)
{
    *pOut << '[';
    for (qsizetype n = 0; n < list.size(); ++n)
        *pOut << (n ? ", \"" : "\"") << list[n].toStdString() << '"';
    *pOut << ']';
}

inline void PrintTo(const QByteArray& strBytes, std::ostream* pOut)
{
    *pOut << '"' << strBytes.toPercentEncoding(" !#$&'()*+,/:;=?@[]<>{}|^~`\\").toStdString()
          << '"';
}
