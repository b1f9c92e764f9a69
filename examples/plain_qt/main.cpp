// The kit's two controls in an ordinary Qt window: a VU meter on its own
// clock, its level printed once a second, and a fast timer counting on a label.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>
#include <kvqmxtmr/control.h>
#include <kvqmxtmr/dialfen.h>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle("KvQmxTmr in plain Qt");
  auto* panel = new QWidget;
  window.setCentralWidget(panel);
  auto* label = new QLabel("no QmxTimer yet", panel);
  label->setGeometry(10, 40, 250, 20);

  kvqmxtmr::Control meter(kvqmxtmr::kProgID_KvDispVU, panel, 10, 10);
  meter.PutLong("SetDispDelay", 0);  // the default 1000 sleeps 1 s per unlit segment
  kvqmxtmr::Control timer(kvqmxtmr::kProgID_KvQmxFasTmr, panel);
  timer.PutLong("SleepDelay", 20);
  int events = 0;
  QObject::connect(&timer, &kvqmxtmr::Control::EventRaised,
                   [&] { label->setText(QString("QmxTimer %1").arg(++events)); });

  window.resize(300, 80);
  window.show();
  meter.PutLong("DisplayMode", kvqmxtmr::UseVULowTimer);  // its own 1 ms clock
  // The fast timer's put runs its loop until it is switched off (closing the
  // window does), so it starts from the event loop, once the window is up.
  QTimer print;
  bool started = false;
  QObject::connect(&print, &QTimer::timeout, [&] {
    std::printf("GetPeekData %d\n", meter.GetLong("GetPeekData")), std::fflush(stdout);
    if (!started) started = true, QTimer::singleShot(0, [&] { timer.PutBool("Enabled", true); });
  });
  print.start(1000);
  return app.exec();
}
