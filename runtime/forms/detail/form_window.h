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

 protected:
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
