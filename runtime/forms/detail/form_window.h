#pragma once
// The top-level window of a form. A close request from the window manager
// takes the same closing sequence as Unload from code, and a change of the
// frame it puts round the window places the window again.
#include <QMainWindow>

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
  // The window manager frames a window after it is shown, and may change
  // the frame later; either moves or resizes the inside.
  void moveEvent(QMoveEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  FormWindowOwner* form_;
};

}  // namespace forms::detail
