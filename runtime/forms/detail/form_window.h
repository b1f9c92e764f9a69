#pragma once
// The top-level window of a form. A close request from the window manager
// takes the same closing sequence as Unload from code.
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

 private:
  Form* form_;
};

}  // namespace forms::detail
