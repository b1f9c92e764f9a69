// The kit's controls as typed Qt widgets in a layout: a VU meter at its own
// size, a label, and a fast timer (invisible at run time) whose events show
// the meter's level. Switched on before exec(), the timer's loop runs until
// the window closes; then exec() ends the program at once.
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <cstdio>
#include <kvqmxtmr/dialfen_widgets.h>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle("KvQmxTmr typed");
  auto* layout = new QVBoxLayout(&window);
  auto* meter = new Dialfen::KvDispVU;
  auto* label = new QLabel("no reading yet");
  auto* timer = new Dialfen::KvQmxFasTmr;
  layout->addWidget(meter);
  layout->addWidget(label);
  layout->addWidget(timer);                                 // takes no room
  meter->setSetDispDelay(0);                                // the default sleeps 1 s per unlit segment
  meter->setDisplayMode(Dialfen::KvDispVU::UseVULowTimer);  // metering on its own clock
  timer->setSleepDelay(20);
  int events = 0;
  QObject::connect(timer, &Dialfen::KvQmxFasTmr::QmxTimer, label, [&] {
    const int level = meter->GetPeekData();
    label->setText(QString("GetPeekData %1").arg(level));
    if (++events % 25 == 0) std::printf("GetPeekData %d\n", level), std::fflush(stdout);
  });
  window.show();
  timer->putEnabled(true);  // returns when closing the window has switched it off
  return app.exec();
}
