// The mixer on a real sound server. Each test that plays sound or breaks the
// server runs its own private server, so tests running side by side do not
// hear each other.
#include <dlfcn.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/winmm/device_selection.h"
#include "runtime/winmm/pulse_level.h"
#include "runtime/winmm/pulse_main_loop.h"
#include "runtime/winmm/pulse_record_stream.h"
#include "tests/runtime/winmm/meter_sequence.h"
#include "tests/runtime/winmm/sound_server.h"
#include "tests/runtime/winmm/tone_player.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

#define REQUIRE_SOUND_SERVER()                                                                        \
  if (std::getenv("PULSE_SERVER") == nullptr)                                                         \
  GTEST_SKIP() << "needs the private sound server that ./test.sh starts (PULSE_SERVER is unset)"

// An idle null output renders ahead in blocks of up to two seconds, so the
// first sound on a fresh output can take that long to reach its monitor.
constexpr auto kWarmUp = 3000ms;
constexpr int32_t kHalfScale = 16384;
constexpr int32_t kTolerance = kHalfScale * 3 / 100;

// Reads until `accept` holds or `limit` passes; returns whether it held.
bool ReadUntil(kvtest::MeterSequence& meter, std::chrono::milliseconds limit,
               const std::function<bool(uint32_t, int32_t)>& accept, int32_t* last = nullptr) {
  const auto deadline = Clock::now() + limit;
  int32_t value = 0;
  for (;;) {
    const uint32_t result = meter.Read(value);
    if (last != nullptr) *last = value;
    if (accept(result, value)) return true;
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
}

bool NearHalfScale(uint32_t result, int32_t value) {
  return result == MMSYSERR_NOERROR && std::abs(value - kHalfScale) <= kTolerance;
}
bool Silent(uint32_t result, int32_t value) { return result == MMSYSERR_NOERROR && value == 0; }

// The output the open mixer names now, as its wave-out line's target.
std::string OutputName(const kvtest::MeterSequence& meter) {
  MIXERLINEA line{};
  line.cbStruct = sizeof line;
  line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
  const uint32_t result = mixerGetLineInfoA(meter.mixer, &line, MIXER_GETLINEINFOF_COMPONENTTYPE);
  if (result != MMSYSERR_NOERROR) return "(mixerGetLineInfoA failed: " + std::to_string(result) + ")";
  return line.Target.szPname;
}

class PrivateServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_SOUND_SERVER();
    ASSERT_TRUE(server_.Start()) << server_.error();
    setting_ = std::make_unique<winmm::ScopedMixerSetting>("pulse:" + server_.address());
  }

  kvtest::PrivateSoundServer server_;
  std::unique_ptr<winmm::ScopedMixerSetting> setting_;
};

TEST_F(PrivateServerTest, HalfScaleToneReadsHalfOfFullScaleSteadilyAndSilenceReadsZero) {
  kvtest::TonePlayer tone(server_.address());
  ASSERT_TRUE(tone.Start(0.5f)) << tone.error();
  kvtest::MeterSequence meter;
  ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR) << winmm::LastMixerOpenError();
  ASSERT_TRUE(meter.meterFound);

  int32_t value = 0;
  ASSERT_TRUE(ReadUntil(meter, kWarmUp, NearHalfScale, &value)) << "last reading " << value;
  // A poller at 1 ms sees the held peak of the newest window, never a 0
  // between two windows.
  for (int i = 0; i < 400; ++i) {
    ASSERT_EQ(meter.Read(value), MMSYSERR_NOERROR);
    ASSERT_NEAR(value, kHalfScale, kTolerance) << "reading " << i;
    std::this_thread::sleep_for(1ms);
  }

  tone.SetAmplitude(0.0f);
  const auto silenceStart = Clock::now();
  ASSERT_TRUE(ReadUntil(meter, 500ms, Silent, &value)) << "last reading " << value;
  EXPECT_LT(Clock::now() - silenceStart, 300ms);
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(meter.Read(value), MMSYSERR_NOERROR);
    ASSERT_EQ(value, 0);
    std::this_thread::sleep_for(1ms);
  }
}

// A peak meter measures how far the signal swings from 0 on the loudest
// channel: sound on one channel only, or in opposite phase on two, reads at its
// full level. Full scale is the 16-bit sample's: a sine reaching 32767 reads
// 32767, and a square wave reaching -32768 reads -32768 (the meter's signed
// range holds a magnitude of 32768 only as that). Outputs of another channel
// count than the server's default stereo one are made the default while the
// mixer is open, so its stream starts anew in their layout. On PipeWire they
// are made the default before it opens: PipeWire 0.3.65's pulse server now and
// then tells one connection of no default change at all, for its whole life.
constexpr float kSample32767 = 32767.0f / 32768.0f;

struct ChannelCase {
  const char* name;
  std::vector<float> amplitudes;  // one per channel of the output and the tone
  kvtest::TonePlayer::Shape shape = kvtest::TonePlayer::Shape::kSine;
  int32_t reads = kHalfScale;
  int32_t tolerance = kTolerance;
};

void PrintTo(const ChannelCase& c, std::ostream* out) { *out << c.name; }

class ChannelLayoutTest : public PrivateServerTest, public ::testing::WithParamInterface<ChannelCase> {};

TEST_P(ChannelLayoutTest, AToneOnAnyChannelReadsItsPeak) {
  const ChannelCase& c = GetParam();
  const int channels = static_cast<int>(c.amplitudes.size());
  kvtest::MeterSequence meter;
  const bool openFirst = server_.kind() != "pipewire";
  if (openFirst) {
    ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR) << winmm::LastMixerOpenError();
  }
  std::string sink = "kvtest";
  if (channels != 2) {
    sink = "layout";
    ASSERT_EQ(server_.Pactl("load-module module-null-sink sink_name=layout rate=48000 channels=" + std::to_string(channels) +
                            " channel_map=" + kvtest::TonePlayer::Layout(channels) +
                            " sink_properties=device.description=LayoutOutput"),
              0);
    ASSERT_EQ(server_.Pactl("set-default-sink layout"), 0);
    // PipeWire's session manager makes the choice the default a moment later.
    const auto deadline = Clock::now() + 5s;
    while (server_.PactlOutput("get-default-sink") != "layout\n" && Clock::now() < deadline)
      std::this_thread::sleep_for(20ms);
    ASSERT_EQ(server_.PactlOutput("get-default-sink"), "layout\n");
  }
  if (!openFirst) {
    ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR) << winmm::LastMixerOpenError();
  }
  // Buffered well ahead: a tone starved on a busy machine falls silent for
  // a moment, and a window of it misses its peak.
  kvtest::TonePlayer tone(server_.address(), sink, channels, 200);
  ASSERT_TRUE(tone.Start(0.0f)) << tone.error();
  tone.SetShape(c.shape);
  tone.SetChannelAmplitudes(c.amplitudes);

  const auto expected = [&](uint32_t result, int32_t value) {
    return result == MMSYSERR_NOERROR && std::abs(value - c.reads) <= c.tolerance;
  };
  int32_t value = 0;
  ASSERT_TRUE(ReadUntil(meter, kWarmUp, expected, &value)) << "last reading " << value;
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(meter.Read(value), MMSYSERR_NOERROR);
    ASSERT_NEAR(value, c.reads, c.tolerance) << "reading " << i;
    std::this_thread::sleep_for(1ms);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, ChannelLayoutTest,
    ::testing::Values(ChannelCase{"StereoLeftOnly", {0.5f, 0.0f}}, ChannelCase{"StereoRightOnly", {0.0f, 0.5f}},
                      ChannelCase{"StereoAntiPhase", {0.5f, -0.5f}}, ChannelCase{"StereoInPhase", {0.5f, 0.5f}},
                      ChannelCase{"Mono", {0.5f}},
                      ChannelCase{"SixChannelsOneSounding", {0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f}},
                      ChannelCase{"FullScaleSine", {kSample32767, kSample32767}, kvtest::TonePlayer::Shape::kSine,
                                  32767, 0},
                      ChannelCase{"FullScaleSquareRightOnly", {0.0f, 1.0f}, kvtest::TonePlayer::Shape::kSquare,
                                  -32768, 0},
                      ChannelCase{"FullScaleSquareMono", {1.0f}, kvtest::TonePlayer::Shape::kSquare, -32768, 0}),
    [](const ::testing::TestParamInfo<ChannelCase>& info) { return std::string(info.param.name); });

TEST_F(PrivateServerTest, AReopenReadsTheLiveLevelAtOnceAndAnUnusedMixerLeavesTheServerSoonAfter) {
  kvtest::TonePlayer tone(server_.address());
  ASSERT_TRUE(tone.Start(0.5f)) << tone.error();
  {
    kvtest::MeterSequence meter;
    ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR) << winmm::LastMixerOpenError();
    ASSERT_TRUE(ReadUntil(meter, kWarmUp, NearHalfScale));
  }
  // Closed and opened again, as every Show of a meter does.
  {
    kvtest::MeterSequence again;
    ASSERT_EQ(again.Open(), MMSYSERR_NOERROR) << winmm::LastMixerOpenError();
    int32_t first = -1;
    ASSERT_EQ(again.Read(first), MMSYSERR_NOERROR);
    EXPECT_NEAR(first, kHalfScale, kTolerance) << "the first read after the reopen";
    EXPECT_NE(server_.PactlOutput("list source-outputs").find("\"Peak meter\""), std::string::npos);
  }
  // Unused, the mixer's record stream goes after a short grace period.
  ASSERT_NE(server_.PactlOutput("info"), "");
  const auto deadline = Clock::now() + 10s;
  while (server_.PactlOutput("list source-outputs").find("\"Peak meter\"") != std::string::npos &&
         Clock::now() < deadline)
    std::this_thread::sleep_for(50ms);
  EXPECT_EQ(server_.PactlOutput("list source-outputs").find("\"Peak meter\""), std::string::npos);
}

// Well under the 1.5 s an open may wait for a server it has not heard from.
constexpr auto kAtOnce = 1000ms;

TEST_F(PrivateServerTest, AnOpenAnswersAtOnceWhenTheServerStoppedAnsweringAfterTheFirstConnection) {
  kvtest::TonePlayer tone(server_.address());
  ASSERT_TRUE(tone.Start(0.5f)) << tone.error();
  {
    kvtest::MeterSequence meter;
    ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR) << winmm::LastMixerOpenError();
    ASSERT_TRUE(ReadUntil(meter, kWarmUp, NearHalfScale));
  }
  ASSERT_TRUE(server_.Freeze());
  {
    kvtest::MeterSequence meter;
    const auto start = Clock::now();
    EXPECT_EQ(meter.Open(), MMSYSERR_NOERROR) << winmm::LastMixerOpenError();
    EXPECT_LT(Clock::now() - start, kAtOnce);
    // Nothing comes from a stopped server: the level drops to 0, it is not held.
    int32_t value = -1;
    EXPECT_TRUE(ReadUntil(meter, 1000ms, Silent, &value)) << "last reading " << value;
  }

  // Once the record stream is gone too (unused past its grace period), one
  // open may wait its full time in vain; the opens after it answer at once.
  std::this_thread::sleep_for(3000ms);
  kvtest::MeterSequence waited;
  EXPECT_EQ(waited.Open(), MMSYSERR_NOERROR) << "the connection stands: " << winmm::LastMixerOpenError();
  for (int i = 0; i < 2; ++i) {
    kvtest::MeterSequence later;
    const auto start = Clock::now();
    EXPECT_EQ(later.Open(), MMSYSERR_NOERROR) << winmm::LastMixerOpenError();
    EXPECT_LT(Clock::now() - start, kAtOnce) << "open " << i;
  }

  // Answering again, the server gives the live level to the handle still open.
  server_.Thaw();
  int32_t value = -1;
  EXPECT_TRUE(ReadUntil(waited, kWarmUp, NearHalfScale, &value)) << "last reading " << value;
}

TEST_F(PrivateServerTest, SuspendedOutputReadsZeroInsteadOfHoldingItsLastPeak) {
  kvtest::TonePlayer tone(server_.address());
  ASSERT_TRUE(tone.Start(0.5f)) << tone.error();
  kvtest::MeterSequence meter;
  ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR) << winmm::LastMixerOpenError();
  ASSERT_TRUE(ReadUntil(meter, kWarmUp, NearHalfScale));

  ASSERT_EQ(server_.Pactl("suspend-sink kvtest 1"), 0);
  int32_t value = 0;
  EXPECT_TRUE(ReadUntil(meter, 1000ms, Silent, &value)) << "still reading " << value;
  ASSERT_EQ(server_.Pactl("suspend-sink kvtest 0"), 0);
  // PipeWire 0.3.65 never clocks a null output again once it was suspended:
  // nothing reaches its monitor afterwards, for any client.
  if (server_.kind() == "pipewire") return;
  EXPECT_TRUE(ReadUntil(meter, kWarmUp, NearHalfScale, &value)) << "last reading " << value;
}

TEST_F(PrivateServerTest, FollowsAChangeOfTheDefaultOutput) {
  ASSERT_EQ(server_.Pactl("load-module module-null-sink sink_name=second "
                          "sink_properties=device.description=SecondOutput"),
            0);
  kvtest::TonePlayer tone(server_.address(), "second");
  ASSERT_TRUE(tone.Start(0.5f)) << tone.error();
  kvtest::MeterSequence meter;
  ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR) << winmm::LastMixerOpenError();
  EXPECT_STREQ(meter.line.Target.szPname, "KvTestOutput");

  // Both outputs warm (see kWarmUp) before the timed switches.
  int32_t value = -1;
  ASSERT_EQ(server_.Pactl("set-default-sink second"), 0);
  if (!ReadUntil(meter, kWarmUp, NearHalfScale, &value) && server_.kind() == "pipewire" &&
      OutputName(meter) == "KvTestOutput") {
    GTEST_SKIP() << "PipeWire's pulse server told this connection of no default change (a fault of "
                 "PipeWire 0.3.65, for about one connection in fifty here)";
  }
  ASSERT_TRUE(ReadUntil(meter, 0ms, NearHalfScale, &value)) << "last reading " << value;

  // Back to the first output: the tone plays elsewhere, this one is silent.
  ASSERT_EQ(server_.Pactl("set-default-sink kvtest"), 0);
  ASSERT_TRUE(ReadUntil(meter, 1000ms, Silent, &value)) << "last reading " << value;
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(meter.Read(value), MMSYSERR_NOERROR);
    ASSERT_EQ(value, 0);
    std::this_thread::sleep_for(2ms);
  }

  ASSERT_EQ(server_.Pactl("set-default-sink second"), 0);
  EXPECT_TRUE(ReadUntil(meter, 1000ms, NearHalfScale, &value)) << "last reading " << value;

  EXPECT_EQ(OutputName(meter), "SecondOutput");
}

// A level falls to 0 within 100 ms of the server's last data: the time the
// server thread waits for more, after the window the server may have sent
// last, and the moment it takes to judge after its own turn.
static_assert(winmm::PulseLevel::kStaleAfterMs + winmm::PulseRecordStream::kFragmentMs + 1 <= 100);

// A thread can be made late, as a busy machine makes it: every libpulse
// threaded main loop waits for its next event in poll, and this test's own
// poll (which libpulse calls instead of the C library's) first sleeps out the
// delay asked for on a thread of that name.
std::atomic<int64_t> lateUntilNs{0};
std::atomic<const char*> lateThread{""};

void DelayThread(const char* name, std::chrono::milliseconds pause) {
  lateThread.store(name);
  lateUntilNs.store(kvtest::MonotonicNs() + std::chrono::nanoseconds(pause).count());
}

}  // namespace

extern "C" int poll(pollfd* fds, nfds_t count, int timeout) {
  using Poll = int (*)(pollfd*, nfds_t, int);
  static const auto real = reinterpret_cast<Poll>(dlsym(RTLD_NEXT, "poll"));
  char name[16] = {};
  pthread_getname_np(pthread_self(), name, sizeof name);
  if (std::strcmp(name, lateThread.load()) == 0) {
    const int64_t until = lateUntilNs.load();
    const int64_t now = kvtest::MonotonicNs();
    if (until > now) std::this_thread::sleep_for(std::chrono::nanoseconds(until - now));
  }
  return real(fds, count, timeout);
}

namespace {

// While sound flows, a reading is never 0: not when the server thread that
// receives the level runs 150 ms late (its data waits for it, the level
// holds), only when the server itself stops sending (it falls, and stays 0
// until the server answers again).
TEST_F(PrivateServerTest, ALateServerThreadHoldsTheLevelAndAStoppedServerReadsZero) {
  kvtest::TonePlayer tone(server_.address());
  ASSERT_TRUE(tone.Start(0.5f)) << tone.error();
  kvtest::MeterSequence meter;
  ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR) << winmm::LastMixerOpenError();
  int32_t value = 0;
  ASSERT_TRUE(ReadUntil(meter, kWarmUp, NearHalfScale, &value)) << "last reading " << value;

  for (int round = 0; round < 3; ++round) {
    DelayThread(winmm::PulseMainLoop::kThreadName, 150ms);
    for (int i = 0; i < 300; ++i) {
      ASSERT_EQ(meter.Read(value), MMSYSERR_NOERROR);
      ASSERT_NEAR(value, kHalfScale, kTolerance) << "round " << round << ", reading " << i;
      std::this_thread::sleep_for(1ms);
    }
  }

  ASSERT_TRUE(server_.Freeze());
  const auto frozen = Clock::now();
  ASSERT_TRUE(ReadUntil(meter, 1000ms, Silent, &value)) << "still reading " << value;
  const auto fell = Clock::now() - frozen;
  // Generous for a loaded machine; a level held for a second would fail it.
  EXPECT_LT(fell, 500ms);
  for (int i = 0; i < 300; ++i) {
    ASSERT_EQ(meter.Read(value), MMSYSERR_NOERROR);
    ASSERT_EQ(value, 0) << "reading " << i;
    std::this_thread::sleep_for(1ms);
  }
  server_.Thaw();
  EXPECT_TRUE(ReadUntil(meter, 2000ms, NearHalfScale, &value)) << "last reading " << value;
  std::printf("server %s: stop to a 0 read %lld ms\n", server_.kind().c_str(),
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(fell).count()));
}

// A server that goes away takes its level with it, as one that stops answering
// does: the open handle reads 0 within a window's worth of time instead of
// holding the last level through the outage, and the live level again once
// the server is back.
TEST_F(PrivateServerTest, ServerLossReadsZeroWithinTheBoundAndTheLiveLevelReturnsWithTheServer) {
  constexpr auto kFallBound = 100ms;
  std::optional<kvtest::TonePlayer> tone(std::in_place, server_.address());
  ASSERT_TRUE(tone->Start(0.5f)) << tone->error();
  kvtest::MeterSequence meter;
  ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR) << winmm::LastMixerOpenError();
  int32_t value = 0;
  ASSERT_TRUE(ReadUntil(meter, kWarmUp, NearHalfScale, &value)) << "last reading " << value;

  // Timed from the return of Kill, which runs a script: the server is gone
  // by then, at some moment inside it.
  server_.Kill();
  const auto killed = Clock::now();
  ASSERT_TRUE(ReadUntil(meter, 1000ms, Silent, &value)) << "still reading " << value;
  const auto fell = Clock::now() - killed;
  EXPECT_LT(fell, kFallBound);
  tone.reset();

  // Down: every read answers at once, with 0, through the handle still open.
  auto slowest = Clock::duration::zero();
  for (int i = 0; i < 200; ++i) {
    const auto start = Clock::now();
    ASSERT_EQ(meter.Read(value), MMSYSERR_NOERROR);
    slowest = std::max(slowest, Clock::now() - start);
    ASSERT_EQ(value, 0);
  }
  EXPECT_LT(slowest, 5ms);
  // Another open fails, within the bound, rather than hanging.
  {
    kvtest::MeterSequence other;
    const auto start = Clock::now();
    EXPECT_EQ(other.Open(), MMSYSERR_NODRIVER);
    EXPECT_LT(Clock::now() - start, 2s);
  }

  ASSERT_TRUE(server_.Start()) << server_.error();
  const auto restarted = Clock::now();
  tone.emplace(server_.address());
  ASSERT_TRUE(tone->Start(0.5f)) << tone->error();
  EXPECT_TRUE(ReadUntil(meter, 4000ms + kWarmUp, NearHalfScale, &value)) << "last reading " << value;
  const auto back = Clock::now() - restarted;
  std::printf("server %s: kill to a 0 read %lld ms, restart to a live read %lld ms\n", server_.kind().c_str(),
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(fell).count()),
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(back).count()));
}

TEST(PulseMixer, NoServerFailsTheOpenQuicklyWithAReason) {
  REQUIRE_SOUND_SERVER();
  winmm::ScopedMixerSetting nowhere("pulse:unix:/nonexistent/kv-sound/native");
  uint32_t mixer = 0;
  const auto start = Clock::now();
  EXPECT_EQ(mixerOpen(&mixer, 0, 0, 0, 0), MMSYSERR_NODRIVER);
  EXPECT_LT(Clock::now() - start, 2s);
  EXPECT_EQ(mixer, 0u);
  EXPECT_NE(winmm::LastMixerOpenError().find("/nonexistent/kv-sound/native"), std::string::npos)
      << winmm::LastMixerOpenError();
}

TEST(PulseMixer, ServerThatNeverAnswersFailsTheOpenWithinTheBound) {
  REQUIRE_SOUND_SERVER();
  // A socket that takes connections into its backlog and never speaks.
  const std::string path =
      (std::filesystem::temp_directory_path() / ("kv-mute-" + std::to_string(getpid()))).string();
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  unlink(path.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(fd, 8), 0);

  winmm::ScopedMixerSetting mute("pulse:unix:" + path);
  uint32_t mixer = 0;
  auto start = Clock::now();
  EXPECT_EQ(mixerOpen(&mixer, 0, 0, 0, 0), MMSYSERR_NODRIVER);
  EXPECT_LT(Clock::now() - start, 2s);
  // That wait is paid once: later opens answer at once from what is known,
  // well under the bound, while the connection keeps trying.
  for (int i = 0; i < 3; ++i) {
    start = Clock::now();
    EXPECT_EQ(mixerOpen(&mixer, 0, 0, 0, 0), MMSYSERR_NODRIVER);
    EXPECT_LT(Clock::now() - start, 1000ms) << "open " << i;
    EXPECT_NE(winmm::LastMixerOpenError().find("did not answer"), std::string::npos) << winmm::LastMixerOpenError();
  }
  close(fd);
  unlink(path.c_str());
}

TEST(PulseMixer, DefaultSettingUsesTheSessionServerAndItsDefaultOutput) {
  REQUIRE_SOUND_SERVER();
  unsetenv("KV_MIXER_DEVICE");
  kvtest::MeterSequence meter;
  ASSERT_EQ(meter.Open(), MMSYSERR_NOERROR) << winmm::LastMixerOpenError();
  ASSERT_TRUE(meter.meterFound);
  EXPECT_STREQ(meter.line.szName, "Wave");
  EXPECT_STREQ(meter.line.Target.szPname, "KvNull");  // the output test.sh makes default
  EXPECT_STREQ(meter.control.szName, "Peak Meter");
  EXPECT_EQ(meter.control.lMinimum, -32768);
  EXPECT_EQ(meter.control.lMaximum, 32767);
  int32_t value = -1;
  EXPECT_EQ(meter.Read(value), MMSYSERR_NOERROR);
  EXPECT_GE(value, 0);

  // A second open shares the connection and answers at once.
  kvtest::MeterSequence again;
  const auto start = Clock::now();
  ASSERT_EQ(again.Open(), MMSYSERR_NOERROR);
  EXPECT_LT(Clock::now() - start, 50ms);
}

}  // namespace
