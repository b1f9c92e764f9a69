#pragma once
// The top-level window of a form. A close request from the window manager
// takes the same closing sequence as Unload from code, and a change of the
// frame it puts round the window places the window again.
#include <QMainWindow>
#include <QMetaObject>
#include <QPointer>

class QScreen;
class QWindow;

namespace forms::detail {

class FormWindowOwner;

class FormWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit FormWindow(FormWindowOwner* form);
  void DetachForm() { form_ = nullptr; }

  // Whether a paint of `widget` may go to the screen: its top-level window is
  // shown, belongs to no closed form and still has its native window. A
  // closed window's native window may be gone (a close from the compositor
  // destroys it) while repaints for it are still on their way.
  static bool Paintable(const QWidget* widget);

 protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  // The window manager frames a window after it is shown, and may change
  // the frame later; either moves or resizes the inside.
  void moveEvent(QMoveEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  // Follows the scale of the screen the window is on: a window whose native
  // window kept another scale is made anew at the screen's.
  void WatchScreen();
  void FollowScale();

  FormWindowOwner* form_;
  bool closeQueued_ = false;  // a window-system close waits for the next turn
  QPointer<QWindow> watchedWindow_;
  QPointer<QScreen> watchedScreen_;
  QMetaObject::Connection screenChanges_[3];
  bool remaking_ = false;
};

}  // namespace forms::detail
