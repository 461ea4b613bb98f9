#include "platform/host/signals.h"

#include <csignal>

namespace host {
namespace {

volatile sig_atomic_t g_last = 0;
volatile sig_atomic_t g_count = 0;
volatile sig_atomic_t g_takenUp = 0;
volatile sig_atomic_t g_answering = 0;
sig_atomic_t g_cancelTaken = 0;
struct sigaction g_oldInt, g_oldTerm;
bool g_installed = false;
void (*volatile g_onDefaultEnd)() = nullptr;

extern "C" void OnSignal(int sig) {
  if (g_count != g_takenUp || g_answering) {
    if (auto restore = g_onDefaultEnd) restore();
    signal(sig, SIG_DFL);
    raise(sig);
    return;
  }
  g_last = sig;
  g_count = g_count + 1;
}

void Install(int sig, struct sigaction* old) {
  sigaction(sig, nullptr, old);
  if (old->sa_handler == SIG_IGN) return;
  struct sigaction sa = {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(sig, &sa, nullptr);
}

}  // namespace

void SignalsInstall() {
  if (g_installed) return;
  Install(SIGINT, &g_oldInt);
  Install(SIGTERM, &g_oldTerm);
  g_installed = true;
}

void SignalsRestore() {
  if (!g_installed) return;
  sigaction(SIGINT, &g_oldInt, nullptr);
  sigaction(SIGTERM, &g_oldTerm, nullptr);
  g_installed = false;
}

void SignalsReset() {
  g_last = 0;
  g_count = 0;
  g_takenUp = 0;
  g_answering = 0;
  g_cancelTaken = 0;
}

int SignalLast() { return g_last; }
int SignalCount() { return g_count; }
void SignalTakenUp(int count) { g_takenUp = count; }
void SignalAnswering(bool answering) { g_answering = answering ? 1 : 0; }

bool SignalCancelTake() {
  sig_atomic_t count = g_count;
  if (count == g_cancelTaken) return false;
  g_cancelTaken = count;
  return true;
}

void SignalOnDefaultEnd(void (*restore)()) { g_onDefaultEnd = restore; }

}  // namespace host
