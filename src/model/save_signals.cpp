#include "model/save_signals.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace quorvane {

namespace {

// A slot of the registry: free, being filled by its owner, or naming a file to remove.
enum SlotState : int { kFree = 0, kFilling = 1, kActive = 2 };

struct Slot {
    std::atomic<int> state{kFree};
    std::atomic<int> folderFd{-1};
    char name[RegisteredTemporary::kMaxTemporaryName] = {};
};

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free atomics");

// Enough for every thread of `render -j` to have a save under way.
constexpr int kSlots = 1024;
Slot g_slots[kSlots];

constexpr int kTerminatingSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> g_deferring{0};      // live DeferredTermination objects
std::atomic<int> g_pendingSignal{0};  // a signal that arrived while deferring, else 0
std::atomic<bool> g_installed{false};

// Removes every registered temporary file. Only async-signal-safe calls.
void RemoveRegisteredTemporaries() {
    for (Slot& slot : g_slots) {
        if (slot.state.load(std::memory_order_acquire) == kActive) {
            ::unlinkat(slot.folderFd.load(std::memory_order_relaxed), slot.name, 0);
        }
    }
}

// Ends the process by `signal` with its default action, from a handler or from normal code.
// Only async-signal-safe calls.
void EndWithDefaultAction(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    ::raise(signal);
    // Only reached if the default action did not end the process.
    ::_exit(128 + signal);
}

// The handler of the terminating signals: removes the temporaries and ends the process, unless
// an in-place rewrite is under way, which then ends it when the file is whole.
extern "C" void OnTerminatingSignal(int signal) {
    const int savedErrno = errno;
    if (g_deferring.load() > 0) {
        g_pendingSignal.store(signal);
        // The last deferral may have ended between the two steps above; then nobody else will
        // raise the kept signal, unless it has already taken it.
        if (g_deferring.load() > 0 || g_pendingSignal.exchange(0) == 0) {
            errno = savedErrno;
            return;
        }
    }
    RemoveRegisteredTemporaries();
    EndWithDefaultAction(signal);
}

}  // namespace

void InstallSaveSignalHandlers() {
    for (const int signal : kTerminatingSignals) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0) {
            continue;
        }
        // An ignored signal (nohup, a background job) stays ignored, and a handler someone else
        // installed stays theirs.
        if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = OnTerminatingSignal;
        sigemptyset(&action.sa_mask);
        for (const int other : kTerminatingSignals) {
            sigaddset(&action.sa_mask, other);
        }
        action.sa_flags = SA_RESTART;
        ::sigaction(signal, &action, nullptr);
    }
    g_installed.store(true);
}

bool SaveSignalHandlersInstalled() {
    return g_installed.load();
}

RegisteredTemporary::RegisteredTemporary(int folderFd, const char* name) : m_nSlot(-1) {
    for (int i = 0; i < kSlots; ++i) {
        Slot& slot = g_slots[i];
        int expected = kFree;
        if (slot.state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) {
            slot.folderFd.store(folderFd, std::memory_order_relaxed);
            std::strncpy(slot.name, name, sizeof slot.name - 1);
            slot.name[sizeof slot.name - 1] = '\0';
            slot.state.store(kActive, std::memory_order_release);
            m_nSlot = i;
            return;
        }
    }
}

RegisteredTemporary::~RegisteredTemporary() {
    if (m_nSlot >= 0) {
        g_slots[m_nSlot].state.store(kFree, std::memory_order_release);
    }
}

DeferredTermination::DeferredTermination() {
    g_deferring.fetch_add(1);
}

DeferredTermination::~DeferredTermination() {
    if (g_deferring.fetch_sub(1) == 1) {
        const int signal = g_pendingSignal.exchange(0);
        if (signal != 0) {
            RemoveRegisteredTemporaries();
            EndWithDefaultAction(signal);
        }
    }
}

}  // namespace quorvane
