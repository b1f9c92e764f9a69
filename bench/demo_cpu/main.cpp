// What each of the demo's pictures costs the processor: the real Whorlix on a
// private X server (Xvfb), its level from a scripted mixer, its menu chosen
// with xdotool as a user would. For every mode and level it prints the demo's
// own processor time and the X server's, per second of wall time, once with
// partial repaints and once with KV_FULL_REPAINT=1 (every change repaints the
// whole container) as the baseline of the same run, and their ratio. A fixed
// level costs only the ticks; a sweeping one changes the picture at every
// reading, so it shows what the drawing costs. Each row says whether the
// partial figures meet the goal: the demo at most 1 % of a core at a fixed
// level and 2 % at a sweeping one, the server at most 1 %; the high timer's
// reading loop runs flat out by design and has no goal for the demo.
//
//   demo_cpu_per_mode [--seconds S] [--rounds N] [--screen WxH]
//                     [--modes idle,low,bar,pulsing,hi] [--levels silence,12000,32768,sweep]
//                     [--display-server x11|wayland]
//
// --display-server wayland runs the demo as a native client of a private
// headless weston instead (wayland_display.h), the compositor's time in the
// server's columns, and once more as an X client of the compositor's
// Xwayland, printing the native demo's time against that one's.
//
// The machine's other load shows in the figures: repeat with --rounds to see
// the spread (the table gives the median, the extremes follow it). The low
// timer and the bar graph ask for a tick every millisecond and get one a
// frame of the screen; the first line gives what waking every millisecond
// would cost on this machine with nothing done at all. The baseline of the
// same run is what a bare Qt Widgets program pays on this display
// (qt_floor.cpp): a window whose timer ticks once a frame, with nothing drawn
// (against which the fixed levels are set) and with a small strip repainted
// at every tick (against which the sweeping level is set).
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/demo_cpu/child_process.h"
#include "bench/demo_cpu/virtual_display.h"
#include "bench/demo_cpu/wayland_display.h"

namespace {

using kvbench::ChildProcess;
using kvbench::VirtualDisplay;
using kvbench::WaylandDisplay;
namespace fs = std::filesystem;

struct Level {
  std::string name;
  std::string script;  // scripted-mixer format
};

// A level that moves at every reading, from silence to past the full bar
// graph and back: the most a real signal could ask of the drawing.
std::string SweepScript() {
  std::string values = "values";
  for (int l = 0; l <= 16000; l += 500) values += " " + std::to_string(l);
  for (int l = 15500; l > 0; l -= 500) values += " " + std::to_string(l);
  return values + "\nend cycle\n";
}

struct Mode {
  std::string key;  // as --modes names it
  std::string name;
  std::string menuKey;  // the item's access key in the Functions menu; none: the state after start-up
  std::string item;      // the menu item, as chosen on Wayland
  bool demoGoal = true;  // false: a loop that runs flat out by design
};

struct Figures {
  double demo = 0;  // % of one core
  double x = 0;
};

struct Options {
  double seconds = 4;
  int rounds = 1;
  int width = 1280, height = 1024;
  std::vector<std::string> modes = {"idle", "low", "bar", "pulsing", "hi"};
  std::vector<std::string> levels = {"silence", "12000", "32768", "sweep"};
  bool wayland = false;
};

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = std::min(list.find(',', start), list.size());
    items.push_back(list.substr(start, comma - start));
    start = comma + 1;
  }
  return items;
}

bool Chosen(const std::vector<std::string>& chosen, const std::string& name) {
  return std::find(chosen.begin(), chosen.end(), name) != chosen.end();
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (a == "--seconds" && value) {
      o.seconds = std::atof(value);
      ++i;
    } else if (a == "--rounds" && value) {
      o.rounds = std::atoi(value);
      ++i;
    } else if (a == "--screen" && value && std::sscanf(value, "%dx%d", &o.width, &o.height) == 2) {
      ++i;
    } else if (a == "--modes" && value) {
      o.modes = Split(value);
      ++i;
    } else if (a == "--levels" && value) {
      o.levels = Split(value);
      ++i;
    } else if (a == "--display-server" && value && (std::string(value) == "x11" || std::string(value) == "wayland")) {
      o.wayland = std::string(value) == "wayland";
      ++i;
    } else {
      throw std::runtime_error(
          "usage: demo_cpu_per_mode [--seconds S] [--rounds N] [--screen WxH] [--modes idle,low,bar,pulsing,hi] "
          "[--levels silence,12000,32768,sweep] [--display-server x11|wayland]");
    }
  }
  if (o.seconds <= 0 || o.rounds <= 0 || o.width <= 0 || o.height <= 0)
    throw std::runtime_error("--seconds, --rounds and --screen take positive values");
  return o;
}

void Pause(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

Figures Measure(ChildProcess& demo, ChildProcess& server, double seconds) {
  const auto t0 = std::chrono::steady_clock::now();
  const double demo0 = demo.CpuSeconds(), x0 = server.CpuSeconds();
  Pause(seconds);
  const double demo1 = demo.CpuSeconds(), x1 = server.CpuSeconds();
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return {100.0 * (demo1 - demo0) / wall, 100.0 * (x1 - x0) / wall};
}

// Opens the Functions menu (through File, the first item of the bar, whose
// place does not depend on the font) and picks an item by its access key.
void Choose(const VirtualDisplay& display, const std::string& key) {
  display.Click(12, 8);
  Pause(0.3);
  display.Key("Right");
  Pause(0.3);
  display.Key(key);
}

// A thread that only wakes every millisecond, as a 1 ms timer does: its own
// processor time in % of one core, and its wake-ups per second.
std::pair<double, double> WakeUpFloor(double seconds) {
  double cpu = 0, wakeUps = 0;
  std::thread([&] {
    const auto start = std::chrono::steady_clock::now();
    timespec cpu0{}, cpu1{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
    long n = 0;
    while (std::chrono::steady_clock::now() - start < std::chrono::duration<double>(seconds)) {
      ::poll(nullptr, 0, 1);
      ++n;
    }
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpu = 100.0 * ((cpu1.tv_sec - cpu0.tv_sec) + (cpu1.tv_nsec - cpu0.tv_nsec) / 1e9) / wall;
    wakeUps = static_cast<double>(n) / wall;
  }).join();
  return {cpu, wakeUps};
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string Ratio(double partial, double full) {
  if (full < 0.05) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", partial / full);
  return text;
}

std::string Spread(const std::vector<double>& v) {
  if (v.size() < 2) return "";
  char text[48];
  std::snprintf(text, sizeof text, " [%.1f-%.1f]", *std::min_element(v.begin(), v.end()),
                *std::max_element(v.begin(), v.end()));
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Options options = Parse(argc, argv);
    const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
    char tmpl[] = "/tmp/kv-demo-cpu-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) throw std::runtime_error("cannot make a temporary directory");
    const fs::path work = tmpl;
    const std::string log = (work / "log.txt").string();
    const std::string registry = (work / "registry.reg").string();

    if (kvbench::RunToEnd({(bin / "kvqmxtmr-regtool").string(), "register", (bin / "KvQmxTmr.ocx").string()},
                          kvbench::EnvironmentWith({{"KV_REGISTRY_FILE", registry}}), log) != 0)
      throw std::runtime_error("registering KvQmxTmr.ocx failed (see " + log + ")");

    const auto [floorCpu, floorRate] = WakeUpFloor(options.seconds);
    std::unique_ptr<VirtualDisplay> x11;
    std::unique_ptr<WaylandDisplay> wayland;
    if (options.wayland) {
      wayland = std::make_unique<WaylandDisplay>(options.width, options.height, work.string(), log);
    } else {
      x11 = std::make_unique<VirtualDisplay>(options.width, options.height, log);
    }
    ChildProcess& server = wayland ? wayland->Server() : x11->Server();

    // The program on this display with `env` on top, its window shown.
    auto start = [&](const std::string& program, const std::map<std::string, std::string>& env,
                     bool throughX = false) {
      std::unique_ptr<ChildProcess> started;
      if (wayland) {
        started = wayland->StartDemo(program, env, throughX);
      } else {
        std::map<std::string, std::string> all = x11->ClientEnvironment();
        all.insert(env.begin(), env.end());
        started = std::make_unique<ChildProcess>(std::vector<std::string>{program}, kvbench::EnvironmentWith(all),
                                                 log);
      }
      if (!(wayland ? wayland->WaitForWindow(20000) : x11->WaitForWindowOf(started->Pid(), 20000)))
        throw std::runtime_error(program + " showed no window (see " + log + ")");
      return started;
    };

    // floors["tick" or "paint"] holds one entry a round.
    std::map<std::string, std::vector<Figures>> floors;
    for (int round = 0; round < options.rounds; ++round) {
      for (const char* drawing : {"tick", "paint"}) {
        std::unique_ptr<ChildProcess> bare = start((bin / "qt_floor").string(), {{"KV_FLOOR_DRAWING", drawing}});
        Pause(1.0);
        floors[drawing].push_back(Measure(*bare, server, options.seconds));
        bare->Stop();
        std::fprintf(stderr, ".");
      }
    }

    std::vector<Level> levels;
    for (const Level& level : std::vector<Level>{{"silence", "values 0\n"},
                                                 {"12000", "values 12000\n"},
                                                 {"32768", "values 32768\n"},
                                                 {"sweep", SweepScript()}}) {
      if (Chosen(options.levels, level.name)) levels.push_back(level);
    }
    std::vector<Mode> modes;
    for (const Mode& mode : std::vector<Mode>{{"idle", "idle", "", ""},
                                              {"low", "low timer", "l", "mnuDialfenLow"},
                                              {"bar", "bar graph", "b", "mnuBarGraph"},
                                              {"pulsing", "pulsing shapes", "w", "mnuWhorlix"},
                                              {"hi", "hi timer", "h", "mnuVUHiLow", false}}) {
      if (Chosen(options.modes, mode.key)) modes.push_back(mode);
    }
    if (levels.size() != options.levels.size() || modes.size() != options.modes.size())
      throw std::runtime_error("--modes takes idle, low, bar, pulsing, hi; --levels silence, 12000, 32768, sweep");
    // On the compositor the demo also runs through its X server, partial
    // repaints as natively, as the baseline of the native client.
    std::vector<std::string> ways = {"partial", "full"};
    if (wayland) ways.push_back("xwayland");
    // results[mode][level][way] holds one entry a round.
    std::map<std::string, std::map<std::string, std::map<std::string, std::vector<Figures>>>> results;

    for (int round = 0; round < options.rounds; ++round) {
      for (const Level& level : levels) {
        const std::string script = (work / "level.script").string();
        std::ofstream(script) << level.script;
        for (const std::string& way : ways) {
          const std::map<std::string, std::string> demoEnv = {{"KV_REGISTRY_FILE", registry},
                                                              {"KV_MIXER_DEVICE", "script:" + script},
                                                              {"KV_FULL_REPAINT", way == "full" ? "1" : ""}};
          std::unique_ptr<ChildProcess> started =
              start((bin / (wayland ? "demo_mode_runner" : "Whorlix")).string(), demoEnv, way == "xwayland");
          ChildProcess& demo = *started;
          for (const Mode& mode : modes) {
            if (!mode.menuKey.empty()) {
              if (wayland) {
                wayland->Choose(mode.item);
              } else {
                Choose(*x11, mode.menuKey);
              }
            }
            Pause(1.0);  // the mode settles in; the menu's own drawing is over
            if (!demo.Running()) throw std::runtime_error("the demo ended early (see " + log + ")");
            results[mode.name][level.name][way].push_back(Measure(demo, server, options.seconds));
            std::fprintf(stderr, ".");
          }
          demo.Stop();
        }
      }
    }
    std::fprintf(stderr, "\n");

    std::printf("Processor time in %% of one core per second of wall time: %s %dx%d, %.1f s per mode, %s%d round%s\n",
                wayland ? "headless weston, demo a native Wayland client," : x11->Kind().c_str(), options.width,
                options.height, options.seconds, options.rounds > 1 ? "median of " : "",
                options.rounds, options.rounds > 1 ? "s [lowest-highest]" : "");
    std::printf("Floor: a thread that only wakes every millisecond takes %.2f %% (%.0f wake-ups a second)\n",
                floorCpu, floorRate);
    const std::string serverName = wayland ? "compositor" : x11->Kind();
    auto floorOf = [&](const std::string& drawing, double Figures::*of) {
      std::vector<double> v;
      for (const Figures& f : floors[drawing]) v.push_back(f.*of);
      return v;
    };
    std::printf("Qt floor: a bare Qt window ticking once a frame takes %.2f %%%s (%s %.2f %%); repainting a "
                "20x200 strip at each tick %.2f %%%s (%s %.2f %%)\n",
                Median(floorOf("tick", &Figures::demo)), Spread(floorOf("tick", &Figures::demo)).c_str(),
                serverName.c_str(), Median(floorOf("tick", &Figures::x)), Median(floorOf("paint", &Figures::demo)),
                Spread(floorOf("paint", &Figures::demo)).c_str(), serverName.c_str(),
                Median(floorOf("paint", &Figures::x)));
    std::printf("%-15s %-8s | %-24s %-24s %6s | %-24s %-24s %6s | %-7s | %s\n", "mode", "level", "demo partial",
                "demo full", "ratio", (serverName + " partial").c_str(), (serverName + " full").c_str(), "ratio",
                "/ floor", "goal");
    for (const Mode& mode : modes) {
      for (const Level& level : levels) {
        std::map<std::string, std::vector<double>> demo, x;
        for (const std::string& way : ways) {
          for (const Figures& f : results[mode.name][level.name][way]) {
            demo[way].push_back(f.demo);
            x[way].push_back(f.x);
          }
        }
        auto cell = [](const std::vector<double>& v) {
          char text[64];
          std::snprintf(text, sizeof text, "%5.2f%s", Median(v), Spread(v).c_str());
          return std::string(text);
        };
        const double demoGoal = level.name == "sweep" ? 2.0 : 1.0;
        const bool met = (!mode.demoGoal || Median(demo["partial"]) <= demoGoal) && Median(x["partial"]) <= 1.0;
        // A moving level is set against the floor that paints, a fixed one
        // against the one that only ticks; a flat-out loop against neither.
        const double bare = Median(floorOf(level.name == "sweep" ? "paint" : "tick", &Figures::demo));
        std::printf("%-15s %-8s | %-24s %-24s %6s | %-24s %-24s %6s | %-7s | %s\n", mode.name.c_str(),
                    level.name.c_str(), cell(demo["partial"]).c_str(), cell(demo["full"]).c_str(),
                    Ratio(Median(demo["partial"]), Median(demo["full"])).c_str(), cell(x["partial"]).c_str(),
                    cell(x["full"]).c_str(), Ratio(Median(x["partial"]), Median(x["full"])).c_str(),
                    mode.demoGoal ? Ratio(Median(demo["partial"]), bare).c_str() : "-", met ? "met" : "missed");
        if (wayland) {
          std::printf("%-15s %-8s | demo through Xwayland %-24s native / Xwayland %6s\n", "", "",
                      cell(demo["xwayland"]).c_str(), Ratio(Median(demo["partial"]), Median(demo["xwayland"])).c_str());
        }
      }
    }
    fs::remove_all(work);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "demo_cpu_per_mode: %s\n", e.what());
    return 1;
  }
}
