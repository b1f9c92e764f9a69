#include "runtime/winmm/scripted_mixer.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "runtime/platform/error.h"
#include "runtime/winmm/mmsystem.h"

namespace winmm {
namespace {

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

template <typename Int>
bool ParseInt(std::string_view text, Int& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  auto [ptr, ec] = std::from_chars(begin, end, value);
  return ec == std::errc() && ptr == end && begin != end;
}

class ScriptParser {
 public:
  explicit ScriptParser(std::string_view origin) : origin_(origin) {}

  MixerScript Parse(std::string_view text) {
    size_t lineNumber = 0;
    while (!text.empty()) {
      ++lineNumber;
      const size_t newline = text.find('\n');
      std::string_view line = text.substr(0, newline);
      text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
      if (const size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
      line_ = lineNumber;
      Instruction(Words(line));
    }
    return std::move(script_);
  }

 private:
  void Instruction(const std::vector<std::string_view>& w) {
    if (w.empty()) return;
    if (w[0] == "open") {
      if (w.size() == 2 && w[1] == "ok") {
        script_.openResult = MMSYSERR_NOERROR;
      } else if (w.size() >= 2 && w.size() <= 3 && w[1] == "fail") {
        uint32_t code = MMSYSERR_NODRIVER;
        if (w.size() == 3 && (!ParseInt(w[2], code) || code == 0))
          Fail("'open fail' takes a non-zero result code, not '" + std::string(w[2]) + "'");
        script_.openResult = code;
      } else {
        Fail("expected 'open ok' or 'open fail [CODE]'");
      }
    } else if (w[0] == "line" || w[0] == "meter") {
      if (w.size() != 2 || w[1] != "none") Fail("expected '" + std::string(w[0]) + " none'");
      (w[0] == "line" ? script_.hasWaveLine : script_.hasPeakMeter) = false;
    } else if (w[0] == "values") {
      if (w.size() < 2) Fail("'values' needs at least one value");
      for (size_t i = 1; i < w.size(); ++i) script_.readings.push_back(Reading(w[i]));
    } else if (w[0] == "end") {
      if (w.size() != 2 || (w[1] != "repeat" && w[1] != "cycle")) Fail("expected 'end repeat' or 'end cycle'");
      script_.cycle = w[1] == "cycle";
    } else {
      Fail("unknown instruction '" + std::string(w[0]) + "'");
    }
  }

  MixerScript::Reading Reading(std::string_view word) {
    MixerScript::Reading reading;
    if (word == "fail") {
      reading.result = MMSYSERR_ERROR;
    } else if (word.substr(0, 5) == "fail:") {
      if (!ParseInt(word.substr(5), reading.result) || reading.result == 0)
        Fail("'" + std::string(word) + "' needs a non-zero result code after 'fail:'");
    } else if (!ParseInt(word, reading.value)) {
      Fail("'" + std::string(word) + "' is neither a signed 32-bit value nor 'fail'");
    }
    return reading;
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw platform::Error(platform::kErrorInvalidArgument,
                          std::string(origin_) + ":" + std::to_string(line_) + ": " + what);
  }

  std::string_view origin_;
  size_t line_ = 0;
  MixerScript script_;
};

}  // namespace

MixerScript MixerScript::Parse(std::string_view text, std::string_view origin) {
  return ScriptParser(origin).Parse(text);
}

MixerScript MixerScript::Load(const std::string& path) {
  // Opened without blocking and refused unless it is a regular file: a
  // directory would read as an empty script, and a FIFO would hold
  // mixerOpen until someone writes to it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0)
    throw platform::Error(platform::kErrorFileNotFound, "Cannot read mixer script " + path + ": " + std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st{};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    throw platform::Error(platform::kErrorInvalidArgument, "Cannot read mixer script " + path + ": not a regular file");
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      throw platform::Error(platform::kErrorFileNotFound, "Cannot read mixer script " + path + ": " + std::strerror(errno));
    if (n == 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return Parse(text, path);
}

ScriptedMixer::ScriptedMixer(MixerScript script)
    : script_(std::move(script)),
      topology_(std::make_shared<const MixerTopology>(
          StandardTopology("Scripted mixer", script_.hasWaveLine, script_.hasPeakMeter))) {}

MixerCallCounts ScriptedMixer::Counts() const {
  std::lock_guard guard(lock_);
  return counts_;
}

uint32_t ScriptedMixer::Open() {
  std::lock_guard guard(lock_);
  ++counts_.opens;
  return script_.openResult;
}

std::string ScriptedMixer::LastError() const {
  return "the mixer script makes mixerOpen fail with " + std::to_string(script_.openResult);
}

void ScriptedMixer::Close() {
  std::lock_guard guard(lock_);
  ++counts_.closes;
}

void ScriptedMixer::Note(Call call) {
  std::lock_guard guard(lock_);
  ++(call == Call::kLineQuery ? counts_.lineQueries : counts_.controlQueries);
}

std::shared_ptr<const MixerTopology> ScriptedMixer::Describe() { return topology_; }

uint32_t ScriptedMixer::ReadSigned(uint32_t controlId, int32_t& value) {
  std::lock_guard guard(lock_);
  if (!script_.hasWaveLine || !script_.hasPeakMeter || controlId != kPeakMeterControlId)
    return MIXERR_INVALCONTROL;
  ++counts_.reads;
  const auto& readings = script_.readings;
  if (readings.empty()) {
    value = 0;
    return MMSYSERR_NOERROR;
  }
  const MixerScript::Reading& r = readings[next_];
  if (next_ + 1 < readings.size()) {
    ++next_;
  } else if (script_.cycle) {
    next_ = 0;
  }
  if (r.result == MMSYSERR_NOERROR) value = r.value;
  return r.result;
}

}  // namespace winmm
