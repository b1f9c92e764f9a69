#pragma once
// Access keys of a form's menu bar, taken as the platform takes them when two
// captions share a key ("&File" and "&Functions"): Alt+key opens the first
// menu with that key, every time, and the key alone, pressed while one of
// those menus is open, moves on to the next one with it, round to the first.
// Qt would instead treat the shared key as an ambiguous shortcut and open a
// different menu on every press. A menu opened so highlights its first item.
#include <QObject>

class QMenu;
class QMenuBar;
class QAction;
class QKeySequence;

namespace forms::detail {

class MenuAccessKeys : public QObject {
  Q_OBJECT

 public:
  // Lives as long as the bar (its child).
  explicit MenuAccessKeys(QMenuBar* bar);
  // Watches the keys pressed while `menu`, one of the bar's menus, is open.
  void Watch(QMenu* menu);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Opens the bar's menu with access key `key` (an Alt+letter sequence):
  // the first one, or the one after the menu open now. False if none has it.
  bool Open(const QKeySequence& key, bool next);

  QMenuBar* bar_;
};

}  // namespace forms::detail
