// The kit's two controls in an ordinary Qt window, placed by hand: a VU
// meter on its own clock, its level printed once a second, and a fast timer
// counting on a label. A failed call would print its reason (exception()).
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>
#include <kvqmxtmr/dialfen_widgets.h>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle("KvQmxTmr in plain Qt");
  auto* panel = new QWidget;
  window.setCentralWidget(panel);
  auto* label = new QLabel("no QmxTimer yet", panel);
  label->setGeometry(10, 40, 250, 20);

  auto* meter = new Dialfen::KvDispVU(panel);  // owned by the panel, at its own size
  meter->move(10, 10);
  meter->setSetDispDelay(0);  // the default 1000 sleeps 1 s per unlit segment
  auto* timer = new Dialfen::KvQmxFasTmr(panel);
  timer->setSleepDelay(20);
  int events = 0;
  QObject::connect(timer, &Dialfen::KvQmxFasTmr::QmxTimer, label,
                   [&] { label->setText(QString("QmxTimer %1").arg(++events)); });
  const auto report = [](int, const QString&, const QString& text) { std::printf("%s\n", qPrintable(text)); };
  QObject::connect(meter, &kvqmxtmr::ControlWidget::exception, report);
  QObject::connect(timer, &kvqmxtmr::ControlWidget::exception, report);

  window.resize(300, 80);
  window.show();
  meter->setDisplayMode(Dialfen::KvDispVU::UseVULowTimer);  // its own 1 ms clock
  // The fast timer's put runs its loop until it is switched off (closing the
  // window does); here it starts from the event loop, once the window is up.
  QTimer print;
  bool started = false;
  QObject::connect(&print, &QTimer::timeout, [&] {
    std::printf("GetPeekData %d\n", meter->GetPeekData()), std::fflush(stdout);
    if (!started) started = true, QTimer::singleShot(0, timer, [timer] { timer->putEnabled(true); });
  });
  print.start(1000);
  return app.exec();
}
