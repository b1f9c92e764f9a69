#include <sched.h>
#include <time.h>

#include <cerrno>

#include "runtime/kernel32/kernel32.h"

void Sleep(int32_t count) {
  const int32_t milliseconds = kernel32::PauseMilliseconds(count);
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  // An absolute deadline, so that signals interrupting the wait do not
  // stretch the total pause.
  timespec deadline{};
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += milliseconds / 1000;
  deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
  }
}
