// A child process for the real-process tests whose threads keep changing:
//   engine_thread_child [CHAINS [PAUSE_MICROSECONDS]]
// starts CHAINS relay chains (default 8): each thread waits the pause
// (default 200), starts its successor and ends, so that new threads appear
// all the time while a pass narrows the process. One more thread, not the
// main one, reads standard input: every "w" makes it widen itself again to
// the processors the process started with. The child ends when its input
// ends.
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

useconds_t g_pause = 200;
cpu_set_t g_start_set;

void* Relay(void*);

void StartRelay() {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  pthread_t thread;
  // A full thread table is waited out: the chain must not end.
  while (pthread_create(&thread, &attributes, Relay, nullptr) != 0) usleep(1000);
  pthread_attr_destroy(&attributes);
}

void* Relay(void*) {
  usleep(g_pause);
  StartRelay();
  return nullptr;
}

// Reads the commands; the thread that widens itself.
void* Commands(void*) {
  for (int c; (c = std::fgetc(stdin)) != EOF;) {
    if (c == 'w') sched_setaffinity(0, sizeof(g_start_set), &g_start_set);
  }
  std::_Exit(0);
}

}  // namespace

int main(int argc, char** argv) {
  const int chains = argc > 1 ? std::atoi(argv[1]) : 8;
  if (argc > 2) g_pause = static_cast<useconds_t>(std::atoi(argv[2]));
  CPU_ZERO(&g_start_set);
  sched_getaffinity(0, sizeof(g_start_set), &g_start_set);
  pthread_t commands;
  if (pthread_create(&commands, nullptr, Commands, nullptr) != 0) return 1;
  for (int i = 0; i < chains; ++i) StartRelay();
  for (;;) pause();
}
