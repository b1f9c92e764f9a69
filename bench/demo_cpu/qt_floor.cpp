// What a bare Qt Widgets program pays for the ticks and paints the demo's
// modes make, as the baseline demo_cpu_per_mode measures on the same display
// in the same run: a window as large as the screen, shown the way the demo's
// is, whose precise timer ticks once a frame of the screen.
//
//   KV_FLOOR_DRAWING=tick    the tick does nothing (what a fixed level costs)
//   KV_FLOOR_DRAWING=paint   the tick repaints a 20 x 200 strip in the other
//                            colour (what a level that moves at every reading
//                            costs, before anything is drawn that matters)
//
// It creates the file KV_BENCH_SHOWN once the window is on the screen, as
// demo_mode_runner does.
#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

class Strip : public QWidget {
 public:
  void Toggle() {
    red_ = !red_;
    update(kStrip);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(kStrip, red_ ? Qt::red : Qt::blue);
  }

 private:
  static constexpr QRect kStrip{100, 100, 20, 200};
  bool red_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  const char* drawing = std::getenv("KV_FLOOR_DRAWING");
  const char* shown = std::getenv("KV_BENCH_SHOWN");
  if (drawing == nullptr || (std::strcmp(drawing, "tick") != 0 && std::strcmp(drawing, "paint") != 0)) {
    std::fprintf(stderr, "qt_floor: KV_FLOOR_DRAWING is tick or paint\n");
    return 2;
  }
  const bool paint = std::strcmp(drawing, "paint") == 0;
  QApplication app(argc, argv);
  Strip window;
  window.setPalette(QPalette(Qt::black));
  window.setAutoFillBackground(true);
  window.resize(window.screen()->size());
  window.showMaximized();

  const double rate = window.screen()->refreshRate();
  const int frameMs = static_cast<int>(std::lround(1000.0 / (std::isfinite(rate) && rate >= 1 ? rate : 60.0)));
  QTimer ticks;
  ticks.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    if (paint) window.Toggle();
  });
  ticks.start(frameMs);

  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (shown == nullptr || !window.windowHandle()->isExposed()) return;
    std::ofstream(shown) << "shown\n";
    poll.stop();
  });
  poll.start(100);
  return app.exec();
}
