#pragma once

#include "core/messaging/send_settings.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QList>
#include <QString>

#include <chrono>
#include <optional>

class CAppSettings;
class CHostList;
class CSendableNote;
class QCommandLineParser;

// The options and recipients of "blipnote-cli send", and what they ask for.
// Each reading returns nothing after an error, which strError then says. They
// are called in the order below: the first error is the one the user is told.
class CSendOptions
{
public:
    // Adds the options and the recipients to the command's parser.
    explicit CSendOptions(QCommandLineParser& parser);

    // The stored send settings with what --port, --delay and --single change.
    std::optional<CSendSettings> Settings(const CAppSettings& stored,
                                          const QByteArray& strComputerName,
                                          QString& strError) const;
    // How long a host that cannot be connected to is tried again (--wait-up):
    // nothing when not asked for; false when the duration does not read.
    bool WaitUp(std::optional<std::chrono::milliseconds>& waitUp, QString& strError) const;
    // The addresses of all recipients, each resolved over the host list, in order.
    std::optional<QList<QByteArray>> Addresses(const CHostList& hosts, QString& strError) const;
    // The note's text as typed: --text, or else standard input, read no further
    // than a note of nSizeLimit bytes needs.
    std::optional<QString> Body(qsizetype nSizeLimit, QString& strError) const;
    // The note's text, title and priority, and the sender's nickname and system
    // name in settings, all in the code page; false when one of them cannot be.
    bool ComposeNote(const QString& strBody, CSendableNote& note, CSendSettings& settings,
                     QString& strError) const;

private:
    const QCommandLineParser& m_parser;
    const QCommandLineOption m_portOption;
    const QCommandLineOption m_textOption;
    const QCommandLineOption m_nickOption;
    const QCommandLineOption m_systemOption;
    const QCommandLineOption m_titleOption;
    const QCommandLineOption m_priorityOption;
    const QCommandLineOption m_delayOption;
    const QCommandLineOption m_singleOption;
    const QCommandLineOption m_waitUpOption;
};
