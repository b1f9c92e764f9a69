#pragma once
// The widget that paints a container's client area: background, then the
// windowless elements back to front. Child windows of the container are its
// child widgets, so Qt draws them above the elements and clips everything to
// the client area.
#include <QPointer>
#include <QWidget>

namespace forms {
class Container;
class UserControl;
}  // namespace forms

namespace forms::detail {

class Surface : public QWidget {
  Q_OBJECT

 public:
  Surface(Container* owner, QWidget* parent);
  ~Surface() override;

  Container* Owner() const { return owner_; }
  // The control whose window this is, if any.
  UserControl* Control() const { return control_; }
  void SetControl(UserControl* control) { control_ = control; }
  // Cuts the link before the owner goes away.
  void DetachOwner();
  // True while one of this widget's own event handlers runs.
  bool InEvent() const { return eventDepth_ > 0; }
  // Deletes now, or later if called from inside this widget's own handler.
  void Dispose();

  void setVisible(bool visible) override;

  // Has the owner's changes painted in the window's next frame; more calls
  // before that frame add nothing.
  void ScheduleRepaintChanges();
  // Asks Qt to paint the owner's changes so far; true if there were any.
  bool PaintChanges();

  // Runs the Show handlers of control windows shown since the last call.
  // Qt shows a window's children from a copy of its child list, so host code
  // (a modal message, a pumping loop) must not run inside that traversal: a
  // widget deleted by the nested loop would be used after it is freed. Show
  // events only mark the control; whoever showed the window calls this once
  // Qt is done, and a queued call catches shows that Qt started itself.
  static void FlushPendingShows();

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

 private:
  Container* owner_;
  UserControl* control_ = nullptr;
  int eventDepth_ = 0;
  bool showPending_ = false;
  // The pacer this surface waits on for its next frame, if any; a pacer
  // that went with its window leaves no surface waiting for ever.
  QPointer<QObject> pacer_;

  void RunShowHandler();
  // Pumps (no input) until the top-level window is on the screen, painted.
  void WaitUntilOnScreen();
};

}  // namespace forms::detail
