#pragma once
// What the fast-timer tests share: a host site that records what the control
// tells it, a Sleep that records its pauses instead of blocking, and one trace
// in which events, pauses and message-pump passes appear in the order they
// happened.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QMetaObject>

#include <gtest/gtest.h>

#include "controls/fasttimer/kv_qmx_fas_tmr.h"
#include "runtime/forms/application.h"
#include "runtime/forms/ref.h"
#include "runtime/forms/user_control.h"
#include "runtime/platform/exports.h"

namespace fasttimer_test {

class RecordingSite : public forms::ControlSite {
 public:
  void OnPropertyChanged(std::string_view name) override { changed.emplace_back(name); }
  bool UserMode() const override { return userMode; }
  void OnEvent(int32_t dispid, const std::vector<com::Variant>& args) override {
    events.push_back({dispid, args.size()});
    if (dispid == KvQmxFasTmr::kDispidQmxTimer && onQmxTimer) onQmxTimer();
  }
  void OnRequestSize(float widthTwips, float heightTwips) override {
    sizeRequests.emplace_back(widthTwips, heightTwips);
  }

  struct Event {
    int32_t dispid;
    size_t argCount;
  };
  std::function<void()> onQmxTimer;
  std::vector<std::string> changed;
  std::vector<Event> events;
  std::vector<std::pair<float, float>> sizeRequests;
  bool userMode = true;
};

// Runs `call` during the next message-pump pass, as a menu command or a
// window message would.
inline void Post(std::function<void()> call) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
}

class FastTimerTest : public ::testing::Test {
 protected:
  FastTimerTest() {
    current_ = this;
    ++generation_;
    site.onQmxTimer = [this] {
      trace.push_back("event");
      eventDepths.push_back(forms::Application::LoopDepth());
      ++eventCount;
      if (onEvent) onEvent(eventCount);
    };
    control->SetSite(&site);
  }
  ~FastTimerTest() override {
    if (control) control->SetSite(nullptr);
    current_ = nullptr;
  }

  // Each pause leaves a marker that the next pump pass turns into "pump", so
  // the trace shows whether a pump really followed.
  static void RecordingSleep(int32_t milliseconds) {
    FastTimerTest* self = current_;
    self->pauses.push_back(milliseconds);
    self->trace.push_back("pause");
    Post([self, generation = generation_] {
      if (generation == generation_) self->trace.push_back("pump");
    });
  }

  static bool StartApplication() {
    static int argc = 1;
    static char arg0[] = "fasttimer_tests";
    static char* argv[] = {arg0, nullptr};
    forms::Application::Initialize(argc, argv);
    return true;
  }

  bool appReady_ = StartApplication();
  RecordingSite site;
  forms::Ref<KvQmxFasTmr> control = forms::MakeRef<KvQmxFasTmr>();
  platform::ScopedExport<void(int32_t)> sleepExport{"kernel32", "Sleep", &RecordingSleep};

  // Called with the running count of events (1 for the first).
  std::function<void(int)> onEvent;
  int eventCount = 0;
  std::vector<int> eventDepths;
  std::vector<int32_t> pauses;
  std::vector<std::string> trace;

 private:
  static inline FastTimerTest* current_ = nullptr;
  // Markers posted by an earlier test are ignored when they surface later.
  static inline int generation_ = 0;
};

}  // namespace fasttimer_test
