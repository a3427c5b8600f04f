#include "cli/show_command.h"

#include "cli/cli_output.h"
#include "cli/command_line.h"
#include "core/messaging/note_file.h"
#include "core/text/code_page.h"

#include <QJsonDocument>
#include <QJsonObject>

int RunShowCommand(const QStringList& arguments)
{
    CCommandLine command(
        "show", QStringLiteral("Prints the nine items of a note file (.bno, .bni, or any other "
                               "file read as a text note) as one JSON object."));
    command.Parser().addPositionalArgument(QStringLiteral("FILE"),
                                           QStringLiteral("The note file."));
    if (const std::optional<int> nDone =
            command.Parse(arguments, 1, 1, QStringLiteral("name one note file")))
        return *nDone;
    const QString strPath = command.Parser().positionalArguments().constFirst();
    CNoteRecord record;
    QString strError;
    if (!NoteFile::Load(strPath, record, &strError)) {
        CliOutput::ErrorLine(QStringLiteral("blipnote-cli show: %1: %2").arg(strPath, strError));
        return 1;
    }
    QJsonObject json;
    json.insert(QStringLiteral("priority"), record.m_nPriority);
    json.insert(QStringLiteral("body"), CodePage::ToUnicode(record.m_strBody));
    json.insert(QStringLiteral("reserved"), record.m_nReserved);
    json.insert(QStringLiteral("address"), CodePage::ToUnicode(record.m_strAddress));
    json.insert(QStringLiteral("system"), CodePage::ToUnicode(record.m_strSystem));
    json.insert(QStringLiteral("sendState"), record.m_nSendState);
    json.insert(QStringLiteral("nickname"), CodePage::ToUnicode(record.m_strNickname));
    json.insert(QStringLiteral("subject"), CodePage::ToUnicode(record.m_strSubject));
    json.insert(QStringLiteral("time"), CodePage::ToUnicode(record.m_strTime));
    CliOutput::WriteLine(QJsonDocument(json).toJson(QJsonDocument::Compact));
    return 0;
}
