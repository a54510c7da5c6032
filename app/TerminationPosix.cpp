// Termination by signal: the signal handler only writes a byte into a pipe, which the event loop watches.
#include "app/Termination.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace app {

namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_requests = 0;

extern "C" void requested(int signal)
{
    const int savedErrno = errno;
    // A second Ctrl+C means "now": the first is stuck. Other signals while one is handled are the same request
    // again (a logout sends SIGTERM and then SIGHUP): the copies being written must not be cut short.
    if (g_requests != 0) {
        if (signal == SIGINT)
            _exit(128 + signal);
        errno = savedErrno;
        return;
    }
    g_requests = 1;
    const char byte = static_cast<char>(signal);
    (void)!write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

void onTerminationRequest(std::function<void()> handler)
{
    if (g_pipe[0] != -1 || pipe(g_pipe) != 0)
        return;
    fcntl(g_pipe[0], F_SETFD, FD_CLOEXEC);
    fcntl(g_pipe[1], F_SETFD, FD_CLOEXEC);
    fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler = std::move(handler), notifier] {
        char byte = 0;
        (void)!read(g_pipe[0], &byte, 1);
        notifier->setEnabled(false);
        handler();
    });
    struct sigaction action {};
    action.sa_handler = requested;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        sigaction(signal, &action, nullptr);
}

} // namespace app
