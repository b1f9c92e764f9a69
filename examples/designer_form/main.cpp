// A window laid out in Qt Designer (level_window.ui): the meter on its own
// clock and a fast timer whose every QmxTimer shows the meter's level.
#include <QApplication>
#include <cstdio>

#include "ui_level_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  Ui::LevelWindow ui;
  ui.setupUi(&window);  // sets the meter's DisplayMode and SetDispDelay, the timer's SleepDelay

  int shown = -1;
  QObject::connect(ui.ticker, &Dialfen::KvQmxFasTmr::QmxTimer, [&] {
    const int level = ui.meter->GetPeekData();
    if (level == shown) return;
    shown = level;
    ui.level->setText(QString("GetPeekData %1").arg(level));
    std::printf("GetPeekData %d\n", level), std::fflush(stdout);
  });
  window.show();
  // The fast timer runs inside the put that switches it on: the window works
  // from within its loop, and closing the window ends it and the program.
  ui.ticker->putEnabled(true);
  return app.exec();
}
