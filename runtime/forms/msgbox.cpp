#include "runtime/forms/msgbox.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include "runtime/forms/detail/runtime_state.h"

namespace forms {
namespace {

ScopedMsgBoxHook*& CurrentHook() {
  static ScopedMsgBoxHook* hook = nullptr;
  return hook;
}

}  // namespace

ScopedMsgBoxHook::ScopedMsgBoxHook(std::function<void(const std::string&)> hook)
    : hook_(std::move(hook)), previous_(CurrentHook()) {
  CurrentHook() = this;
}

ScopedMsgBoxHook::~ScopedMsgBoxHook() { CurrentHook() = previous_; }

void MsgBox(const std::string& text) {
  if (ScopedMsgBoxHook* hook = CurrentHook()) {
    if (hook->hook_) hook->hook_(text);
    return;
  }
  detail::EnsureApplication();
  // Titled with the program's name, as a message without a title of its own,
  // and standing over the program's window (the active one, or the newest
  // form on the screen while none is active yet, as at start-up).
  QWidget* over = QApplication::activeWindow();
  if (over == nullptr) over = detail::NewestOpenFormWindow();
  QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                  QString::fromStdString(text), QMessageBox::Ok, over);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace forms
