#include "cli/quit_on_signal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

int g_pipe[2] = {-1, -1};

void HandleSignal(int nSignal)
{
    const auto byte = static_cast<unsigned char>(nSignal);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
}

} // namespace

CQuitOnSignal::CQuitOnSignal(QObject* pParent) : QObject(pParent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action
    {};
    action.sa_handler = HandleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    m_pNotifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this, &CQuitOnSignal::OnSignal);
}

CQuitOnSignal::~CQuitOnSignal()
{
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    m_pNotifier.reset();
    for (int& nEnd : g_pipe) {
        if (nEnd >= 0)
            ::close(std::exchange(nEnd, -1));
    }
}

void CQuitOnSignal::OnSignal()
{
    unsigned char byte = 0;
    if (::read(g_pipe[0], &byte, 1) == 1)
        m_nSignal = byte;
    QCoreApplication::quit();
}
