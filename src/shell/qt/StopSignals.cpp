// SPDX-License-Identifier: MIT
#include "shell/qt/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

namespace quarnel::qt {
namespace {

constexpr std::array kStopSignals{SIGINT, SIGTERM, SIGHUP};

// The pipe the signal handler writes to; a handler can reach nothing else.
int g_signalPipe[2] = {-1, -1};
volatile sig_atomic_t g_received = 0;

extern "C" void OnStopSignal(int signal) {
    // A second signal is never ignored: if the first one has not ended the
    // program, perhaps because a call blocks the event loop, this one does.
    if (g_received != 0) {
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    g_received = 1;
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

StopSignals::StopSignals(std::function<void()> stop) {
    g_received = 0;
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [stop = std::move(stop)] {
        char bytes[16];
        while (read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        stop();
    });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kStopSignals) sigaction(signal, &action, nullptr);
}

StopSignals::~StopSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : kStopSignals) sigaction(signal, &action, nullptr);
    notifier_.reset();
    for (int& fd : g_signalPipe) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
}

}  // namespace quarnel::qt
