#pragma once

#include <QByteArrayList>
#include <QString>
#include <QtGlobal>

// What a copy tells the network of itself in its announcement's TXT record:
// nickname, computer name and version, nothing else. Read back from any peer,
// each value is cut to a short length and stripped of control characters, so
// that a hostile announcement can neither flood nor steer a terminal or a list.
struct CPresenceRecord
{
    static constexpr qsizetype MaxValueLength = 64;

    QString strNickname = QString();
    QString strComputer = QString();
    QString strVersion = QString();

    bool operator==(const CPresenceRecord&) const = default;

    QByteArrayList ToTxt() const;
    static CPresenceRecord FromTxt(const QByteArrayList& txt);
    // A text from the network as it may be shown: no control or format
    // characters (bidirectional overrides among them), at most nLength.
    static QString CleanValue(const QString& strValue, qsizetype nLength = MaxValueLength);
};

// One copy found on the network at one address.
struct CPresencePeer
{
    // The announcement's name, unique on the network.
    QString strName = QString();
    QString strAddress = QString();
    quint16 nPort = 0;
    CPresenceRecord record = CPresenceRecord();
    // Announced from this computer.
    bool bLocal = false;

    bool operator==(const CPresencePeer&) const = default;
};
