// A child process for the real-process tests: two threads that do nothing
// until standard input ends, which happens when the test closes its end of
// the pipe or dies. The tests narrow its affinity and read it back.
#include <cstdio>
#include <cstdlib>
#include <thread>

int main() {
  std::thread idle([] {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
  });
  idle.detach();
  while (std::fgetc(stdin) != EOF) {
  }
  std::_Exit(0);
}
