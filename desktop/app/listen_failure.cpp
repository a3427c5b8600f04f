#include "desktop/app/listen_failure.h"

#include <QCoreApplication>

#include <cerrno>

namespace ListenFailure {

namespace {
QString Tr(const char* pszText)
{
    return QCoreApplication::translate("ListenFailure", pszText);
}

QString ChooseAnotherPort()
{
    return Tr("choose another IP-Port on the Network page of Setup (every copy that sends to "
              "you must use the same one) and start Blipnote again.");
}
} // namespace

QString Explanation(int nPort, int nErrno, const QString& strSystem)
{
    QString strWhy;
    QString strWhatToDo;
    switch (nErrno) {
    case EADDRINUSE:
        strWhy = Tr("port %1 is in use by another program").arg(nPort);
        strWhatToDo = Tr("Is Blipnote running already, perhaps for another user? Close the "
                         "program that holds the port, or ") +
                      ChooseAnotherPort();
        break;
    case EACCES:
        strWhy = Tr("port %1 needs privileges this program does not have").arg(nPort);
        strWhatToDo = Tr("To receive notes, ") + ChooseAnotherPort();
        break;
    default:
        strWhy = Tr("port %1 cannot be opened").arg(nPort);
        strWhatToDo = Tr("Check the computer's network settings, or ") + ChooseAnotherPort();
        break;
    }
    return Tr("Blipnote is not receiving notes: %1 (%2).\n%3").arg(strWhy, strSystem, strWhatToDo);
}

QString BadPortExplanation(int nPort)
{
    return Tr("Blipnote is not receiving notes: %1 is no port number to receive on.\nTo "
              "receive notes, %2")
        .arg(nPort)
        .arg(ChooseAnotherPort());
}

} // namespace ListenFailure
