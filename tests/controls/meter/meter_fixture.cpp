#include "tests/controls/meter/meter_fixture.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <chrono>

#include "runtime/forms/application.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/timer.h"

namespace meter_test {

std::vector<int32_t>& SleepCalls() {
  static std::vector<int32_t> calls;
  return calls;
}

void CountingSleep(int32_t milliseconds) { SleepCalls().push_back(milliseconds); }

void Post(std::function<void()> work) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

MeterTest::MeterTest() { SleepCalls().clear(); }

MeterTest::~MeterTest() {
  if (meter_) {
    meter_->SetSite(nullptr);
    meter_.reset();
  }
}

void MeterTest::UseScript(std::string_view script) {
  device_.reset();  // scopes restore what they replaced: end the old one first
  mixer_ = std::make_shared<winmm::ScriptedMixer>(winmm::MixerScript::Parse(script));
  device_ = std::make_unique<winmm::ScopedMixerDevice>(mixer_);
}

void MeterTest::CreateMeter() {
  meter_ = forms::MakeRef<KvDispVU>();
  meter_->SetSite(&site_);
  meter_->InitNew();
  meter_->NotifyShown();
}

void MeterTest::RunTimerPass() {
  const uint64_t before = Reads();
  RunTimerPass([&] { return Reads() != before; });
  EXPECT_EQ(Reads(), before + 1) << "expected exactly one tick of Timer1";
}

void MeterTest::RunTimerPass(const std::function<bool()>& passDone) {
  using namespace std::chrono_literals;
  meter_->put_DisplayMode(KvDispVU::UseVULowTimer);
  // One DoEvents delivers at most one tick, so stopping as soon as the pass
  // shows means exactly one pass ran.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!passDone() && std::chrono::steady_clock::now() < deadline) forms::DoEvents();
  meter_->put_DisplayMode(KvDispVU::DONotUseTimer);
  EXPECT_TRUE(passDone()) << "Timer1 never ticked";
  site_.changes.clear();
}

std::vector<int> MeterTest::LitSegments() const {
  std::vector<int> lit;
  for (int n = 1; n <= 11; ++n)
    if (meter_->Find("Dp" + std::to_string(n))->Visible()) lit.push_back(n);
  return lit;
}

forms::Timer& MeterTest::Timer1() const { return *meter_->FindTimer("Timer1"); }

}  // namespace meter_test
