#pragma once
// The widget that paints a container's client area: background, then the
// windowless elements back to front. Child windows of the container are its
// child widgets, so Qt draws them above the elements and clips everything to
// the client area. A control's window is a surface whose own handlers run the
// control's (user_control.cpp).
#include <QPointer>
#include <QWidget>

#include "runtime/forms/detail/frame_pacer.h"

namespace forms::detail {

class SurfaceOwner;

class Surface : public QWidget, public FrameClient {
  Q_OBJECT

 public:
  Surface(SurfaceOwner* owner, QWidget* parent);
  ~Surface() override;

  SurfaceOwner* Owner() const { return owner_; }
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
  bool PaintFrame() override;

  // Runs the Show handlers of windows shown since the last call.
  // Qt shows a window's children from a copy of its child list, so host code
  // (a modal message, a pumping loop) must not run inside that traversal: a
  // widget deleted by the nested loop would be used after it is freed. Show
  // events only mark the window; whoever showed the window calls this once
  // Qt is done, and a queued call catches shows that Qt started itself.
  static void FlushPendingShows();

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  // Marks this window for the next FlushPendingShows, which runs OnShown.
  void QueueShowHandler();
  // What a subclass does once its window has been shown.
  virtual void OnShown() {}

 private:
  SurfaceOwner* owner_;
  int eventDepth_ = 0;
  bool showPending_ = false;
  // The pacer this surface waits on for its next frame, if any; a pacer
  // that went with its window leaves no surface waiting for ever.
  QPointer<QObject> pacer_;

  void RunShowHandler();
};

}  // namespace forms::detail
