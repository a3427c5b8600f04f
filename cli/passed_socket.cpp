#include "cli/passed_socket.h"

#include "cli/cli_output.h"
#include "core/net/socket_activation.h"

EPassedSocket ServePassedSocket(const char* pszCommand, const std::function<bool(int)>& serve)
{
    const QString strPrefix = QStringLiteral("blipnote-cli %1: ").arg(QLatin1String(pszCommand));
    QString strNote;
    const std::optional<int> nSocket = SocketActivation::TakeListeningSocket(&strNote);
    if (!strNote.isEmpty())
        CliOutput::ErrorLine(strPrefix + strNote);
    if (!nSocket) {
        // Meant for this process but unusable: serving another port instead would
        // leave the service manager's port unanswered.
        return strNote.isEmpty() ? EPassedSocket::None : EPassedSocket::Failed;
    }
    if (!serve(*nSocket)) {
        CliOutput::ErrorLine(strPrefix + QStringLiteral("the socket passed by the service "
                                                        "manager is not a listening TCP socket"));
        return EPassedSocket::Failed;
    }
    return EPassedSocket::Served;
}
