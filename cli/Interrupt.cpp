#include "Interrupt.h"

#include "Platform.h"

#include <csignal>
#include <thread>
#include <unistd.h>

void EndOnInterrupt(std::function<void()> Before) {
    sigset_t Signals;
    sigemptyset(&Signals);
    for (int S : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&Signals, S);
    pthread_sigmask(SIG_BLOCK, &Signals, nullptr);
    std::thread([Signals, Before = std::move(Before)] {
        int Signal = 0;
        while (sigwait(&Signals, &Signal) != 0) {
        }
        Before();
        RemoveTemporaryFiles();
        _exit(128 + Signal);
    }).detach();
}
