#include "runtime/forms/detail/form_window.h"

#include <QCloseEvent>
#include <QWindow>

#include "runtime/forms/detail/form_window_owner.h"
#include "runtime/forms/detail/runtime_state.h"
#include "runtime/forms/detail/surface.h"

namespace forms::detail {

FormWindow::FormWindow(FormWindowOwner* form) : QMainWindow(nullptr), form_(form) {
  // The program decides when it ends, not the last window.
  setAttribute(Qt::WA_QuitOnClose, false);
  setAttribute(Qt::WA_DeleteOnClose, false);
}

bool FormWindow::Paintable(const QWidget* widget) {
  if (widget == nullptr) return false;
  const QWidget* top = widget->window();
  if (const auto* formWindow = qobject_cast<const FormWindow*>(top)) {
    if (formWindow->form_ != nullptr && formWindow->form_->Closed()) return false;
  }
  const QWindow* native = top->windowHandle();
  return top->isVisible() && native != nullptr && native->handle() != nullptr;
}

bool FormWindow::event(QEvent* e) {
  // Every paint of the window and its children, repaint() included, comes
  // to the top-level window as one of these; once the window has closed
  // they would only size and fill a backing store for a window that is gone.
  switch (e->type()) {
    case QEvent::UpdateRequest:
    case QEvent::UpdateLater:
      if (!Paintable(this)) return true;
      break;
    case QEvent::Paint:  // a grab of a hidden window still paints it
      if (form_ != nullptr && form_->Closed()) return true;
      break;
    default:
      break;
  }
  return QMainWindow::event(e);
}

void FormWindow::closeEvent(QCloseEvent* e) {
  if (form_ == nullptr) {
    e->accept();
    return;
  }
  // The window manager's close takes the same road as Unload from code; the
  // form hides the window itself when the sequence lets it close.
  bool closed = false;
  Guarded("Form close request", [&] { closed = form_->CloseFromWindowManager(); });
  e->setAccepted(closed);
}

}  // namespace forms::detail

namespace forms::detail {

void FormWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  // A top-level window hears of its own show after Qt has shown its
  // children but before it asks for the window to be mapped, so the
  // controls' Show handlers run once this show is over, however the window
  // came to be shown (Form::Show runs them itself as soon as it can).
  QMetaObject::invokeMethod(this, [] { Surface::FlushPendingShows(); }, Qt::QueuedConnection);
}

}  // namespace forms::detail

namespace forms::detail {

void FormWindow::moveEvent(QMoveEvent* e) {
  QMainWindow::moveEvent(e);
  if (form_ != nullptr) Guarded("Form frame change", [&] { form_->FollowFrame(); });
}

void FormWindow::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  if (form_ != nullptr) Guarded("Form frame change", [&] { form_->FollowFrame(); });
}

}  // namespace forms::detail
