#include "runtime/winmm/pulse_main_loop.h"

namespace winmm {

PulseMainLoop::PulseMainLoop() {
  loop_ = pa_threaded_mainloop_new();
  if (loop_ == nullptr) return;
  api_ = pa_threaded_mainloop_get_api(loop_);
  // Named, so a look at the process's threads tells it from others'.
  pa_threaded_mainloop_set_name(loop_, kThreadName);
  if (pa_threaded_mainloop_start(loop_) < 0) {
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
    api_ = nullptr;
  }
}

PulseMainLoop::~PulseMainLoop() {
  if (loop_ == nullptr) return;
  pa_threaded_mainloop_stop(loop_);
  pa_threaded_mainloop_free(loop_);
}

void PulseTimer::Start(pa_mainloop_api* api, int delayMs) {
  timeval when{};
  pa_gettimeofday(&when);
  pa_timeval_add(&when, static_cast<pa_usec_t>(delayMs) * PA_USEC_PER_MSEC);
  if (event_ == nullptr) {
    api_ = api;
    event_ = api->time_new(api, &when, &PulseTimer::Fired, this);
  } else {
    api_->time_restart(event_, &when);
  }
}

void PulseTimer::Stop() {
  if (event_ != nullptr) api_->time_restart(event_, nullptr);
}

void PulseTimer::Free() {
  if (event_ != nullptr) api_->time_free(event_);
  event_ = nullptr;
}

void PulseTimer::Fired(pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
  static_cast<PulseTimer*>(self)->fire_();
}

}  // namespace winmm
