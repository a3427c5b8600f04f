#include "cli/show_command.h"

#include "cli/cli_output.h"
#include "cli/command_line.h"
#include "cli/json_line.h"
#include "core/notes/note_file.h"

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
    CliOutput::WriteLine(CJsonLine()
                             .CodePageText("address", record.m_strAddress)
                             .CodePageText("body", record.m_strBody)
                             .CodePageText("nickname", record.m_strNickname)
                             .Number("priority", record.m_nPriority)
                             .Number("reserved", record.m_nReserved)
                             .Number("sendState", record.m_nSendState)
                             .CodePageText("subject", record.m_strSubject)
                             .CodePageText("system", record.m_strSystem)
                             .CodePageText("time", record.m_strTime)
                             .Take());
    return 0;
}
