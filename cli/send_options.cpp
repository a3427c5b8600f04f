#include "cli/send_options.h"

#include "cli/duration.h"
#include "core/hosts/recipient_builder.h"
#include "core/net/net_address.h"
#include "core/notes/recipient_list.h"
#include "core/notes/sendable_note.h"
#include "core/settings/app_settings.h"
#include "core/text/code_page.h"
#include "core/text/code_page_refusal.h"
#include "core/text/editor_text.h"

#include <QCommandLineParser>
#include <QFile>

namespace {

// The first character of the text that the code page cannot hold, for the
// error to quote. (EditorText::Unencodable passes over the characters that
// stand for line breaks in the editor; here they are refused as any other.)
QString FirstUnencodable(const QString& strText)
{
    for (const char32_t ch : strText.toUcs4()) {
        if (CodePage::ByteOf(ch) < 0)
            return QString::fromUcs4(&ch, 1);
    }
    return QString();
}

// The error for a text that holds a character the code page cannot.
QString Refusal(const QString& strText, const QString& strWhat)
{
    return CodePageRefusal::Text(CodePageRefusal::EForm::Line, QStringLiteral("the ") + strWhat,
                                 FirstUnencodable(strText), QStringLiteral("notes"));
}

// A text of the command line in the code page; refused when it holds a
// character the code page cannot, which would go out as '?'.
std::optional<QByteArray> ToCodePage(const QString& strText, const QString& strWhat,
                                     QString& strError)
{
    bool bLossless = true;
    QByteArray strBytes = CodePage::FromUnicode(strText, &bLossless);
    if (!bLossless) {
        strError = Refusal(strText, strWhat);
        return std::nullopt;
    }
    return strBytes;
}

} // namespace

CSendOptions::CSendOptions(QCommandLineParser& parser)
    : m_parser(parser),
      m_portOption({QStringLiteral("p"), QStringLiteral("port")},
                   QStringLiteral("Port the recipients listen on (default: \"IP Port\", 7777)."),
                   QStringLiteral("N")),
      m_textOption(QStringLiteral("text"),
                   QStringLiteral("The note's text (default: standard input)."),
                   QStringLiteral("TEXT")),
      m_nickOption(QStringLiteral("nick"),
                   QStringLiteral("Your nickname (default: \"Nickname\", else your login name)."),
                   QStringLiteral("NAME")),
      m_systemOption(QStringLiteral("system"),
                     QStringLiteral("Your system's name (default: the computer name)."),
                     QStringLiteral("NAME")),
      m_titleOption(QStringLiteral("title"),
                    QStringLiteral("The note's title (default: MessageOut1)."),
                    QStringLiteral("TEXT"), QStringLiteral("MessageOut1")),
      m_priorityOption(QStringLiteral("priority"), QStringLiteral("Mark the note high-priority.")),
      m_delayOption(QStringLiteral("delay"),
                    QStringLiteral("Milliseconds between sending to two addresses (default: "
                                   "\"MultiSendDelay\", 100)."),
                    QStringLiteral("MS")),
      m_singleOption(QStringLiteral("single"),
                     QStringLiteral("Send to the first address only (as \"Multi Send\" off).")),
      m_waitUpOption(QStringLiteral("wait-up"),
                     QStringLiteral("Keep trying a host that cannot be connected to (never one "
                                    "that took the note) until it is reached or DURATION "
                                    "(30s, 10m, 2h) has passed."),
                     QStringLiteral("DURATION"))
{
    parser.addOptions({m_portOption, m_textOption, m_nickOption, m_systemOption, m_titleOption,
                       m_priorityOption, m_delayOption, m_singleOption, m_waitUpOption});
    parser.addPositionalArgument(QStringLiteral("RECIPIENT"), QStringLiteral("Where to send."),
                                 QStringLiteral("RECIPIENT..."));
}

std::optional<CSendSettings> CSendOptions::Settings(const CAppSettings& stored,
                                                    const QByteArray& strComputerName,
                                                    QString& strError) const
{
    CSendSettings settings = SendSettingsOf(stored, strComputerName);
    const QString strPort = m_parser.isSet(m_portOption) ? m_parser.value(m_portOption)
                                                         : QString::number(stored.IpPort());
    const auto nPort = NetAddress::ParsePort(strPort, NetAddress::EPortUse::Connect);
    if (!nPort) {
        strError = QStringLiteral("invalid port '%1'").arg(strPort);
        return std::nullopt;
    }
    settings.nPort = *nPort;
    if (m_parser.isSet(m_delayOption)) {
        bool bOk = false;
        settings.nMultiSendDelay = m_parser.value(m_delayOption).toInt(&bOk);
        if (!bOk || settings.nMultiSendDelay < 0) {
            strError = QStringLiteral("invalid delay '%1'").arg(m_parser.value(m_delayOption));
            return std::nullopt;
        }
    }
    if (m_parser.isSet(m_singleOption))
        settings.bMultiSend = false;
    return settings;
}

bool CSendOptions::WaitUp(std::optional<std::chrono::milliseconds>& waitUp, QString& strError) const
{
    waitUp.reset();
    if (!m_parser.isSet(m_waitUpOption))
        return true;
    waitUp = ParseDuration(m_parser.value(m_waitUpOption));
    if (!waitUp)
        strError =
            QStringLiteral("invalid duration '%1' (a number and s, m, h or d, up to 30 days)")
                .arg(m_parser.value(m_waitUpOption));
    return waitUp.has_value();
}

std::optional<QList<QByteArray>> CSendOptions::Addresses(const CHostList& hosts,
                                                         QString& strError) const
{
    const QStringList recipients = m_parser.positionalArguments();
    if (recipients.isEmpty()) {
        strError = QStringLiteral("no recipient given");
        return std::nullopt;
    }
    QList<QByteArray> addresses;
    for (const QString& strRecipient : recipients) {
        const auto recipient = ToCodePage(strRecipient, QStringLiteral("recipient"), strError);
        if (!recipient)
            return std::nullopt;
        if (recipient->isEmpty() || recipient->contains("/$")) {
            strError = QStringLiteral("invalid recipient '%1'").arg(strRecipient);
            return std::nullopt;
        }
        addresses += RecipientList::Addresses(BuildRecipientList(hosts, *recipient));
    }
    return addresses;
}

std::optional<QString> CSendOptions::Body(qsizetype nSizeLimit, QString& strError) const
{
    if (m_parser.isSet(m_textOption))
        return m_parser.value(m_textOption);
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        strError = QStringLiteral("cannot read standard input");
        return std::nullopt;
    }
    // To its end, as a pipe delivers it piece by piece; but no more than
    // any note the limit allows (in UTF-8): the rest is cut with a warning.
    const qsizetype nEnough = 4 * (nSizeLimit + 1);
    QByteArray strInput;
    while (strInput.size() < nEnough) {
        const QByteArray strPart = input.read(nEnough - strInput.size());
        if (strPart.isEmpty())
            break;
        strInput += strPart;
    }
    if (input.error() != QFileDevice::NoError) {
        strError = QStringLiteral("cannot read standard input: ") + input.errorString();
        return std::nullopt;
    }
    // A zero byte ends the text for many a reader; it never goes out.
    if (strInput.contains('\0')) {
        strError = QStringLiteral("the text holds a zero byte, which a note cannot carry");
        return std::nullopt;
    }
    QString strBody = QString::fromUtf8(strInput);
    // Cut off where the note is cut anyway: a letter split at the end of
    // what was read is no reason to refuse the text.
    if (strInput.size() >= nEnough)
        strBody.truncate(nSizeLimit + 1);
    return strBody;
}

bool CSendOptions::ComposeNote(const QString& strBody, CSendableNote& note, CSendSettings& settings,
                               QString& strError) const
{
    // All fields are converted first: when several cannot be, the error
    // names the last of them. The text's line breaks become CR LF, as the
    // note editor writes them.
    bool bBodyLossless = true;
    const QByteArray strBodyBytes = EditorText::LinesToNote(strBody, &bBodyLossless);
    if (!bBodyLossless)
        strError = Refusal(strBody, QStringLiteral("text"));
    const auto nick =
        m_parser.isSet(m_nickOption)
            ? ToCodePage(m_parser.value(m_nickOption), QStringLiteral("nickname"), strError)
            : std::optional(settings.strNickname);
    const auto system =
        m_parser.isSet(m_systemOption)
            ? ToCodePage(m_parser.value(m_systemOption), QStringLiteral("system name"), strError)
            : std::optional(settings.strComputerName);
    const auto title = ToCodePage(m_parser.value(m_titleOption), QStringLiteral("title"), strError);
    if (!bBodyLossless || !nick || !system || !title)
        return false;
    note.m_strBody = strBodyBytes;
    note.SetTitle(*title);
    note.m_nPriority = m_parser.isSet(m_priorityOption) ? 1 : 0;
    settings.strNickname = *nick;
    settings.strComputerName = *system;
    return true;
}
