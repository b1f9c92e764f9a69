#pragma once
// The top-level window of a form. A close request from the window manager
// takes the same closing sequence as Unload from code, and a change of the
// frame it puts round the window places the window again.
#include <QMainWindow>

namespace forms {
class Form;
}

namespace forms::detail {

class FormWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit FormWindow(Form* form);
  void DetachForm() { form_ = nullptr; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;
  // The window manager frames a window after it is shown, and may change
  // the frame later; either moves or resizes the inside.
  void moveEvent(QMoveEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  Form* form_;
};

}  // namespace forms::detail
