#pragma once
// The screen's pace. A window sends at most one frame per refresh of the
// screen it is on: the changes its containers' elements mark wait for the
// next frame of that window, and then all of them are asked to be painted at
// once, through Qt's ordinary update path, so one paint takes them all in.
// Where the compositor paces its clients (Wayland), the next frame is the
// one it asks for with its frame callback (QWindow::requestUpdate), so no
// frame is drawn that it would not show; elsewhere a timer keeps the
// screen's refresh rate.
#include <chrono>
#include <functional>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;
class QWindow;

namespace forms::detail {

// What waits for a frame: a widget with changes to paint. Paint asks Qt to
// paint them and answers whether there were any.
class FrameClient {
 public:
  virtual bool PaintFrame() = 0;

 protected:
  ~FrameClient() = default;
};

// What gives a window its frames instead of Qt where the window's pictures
// reach the compositor another way (the forms' own Wayland surface): it runs
// `frame` when the compositor is ready for the next one, and answers false
// when it cannot, and Qt is asked then.
class FrameSource {
 public:
  virtual bool AskFrame(std::function<void()> frame) = 0;

 protected:
  ~FrameSource() = default;
};

// One frame of the screen `widget` is on (the primary screen while it has
// none): from the screen's refresh rate, 60 Hz when the screen reports none.
std::chrono::nanoseconds FramePeriod(const QWidget* widget);

// FramePeriod for those who ask at every tick or change: looked up again at
// most once a second, since the lookup (from the widget up to its window and
// screen) costs more than a tick's own work. A window moved to a screen of
// another rate takes up that screen's pace within the second.
class RecentFramePeriod {
 public:
  std::chrono::nanoseconds Of(const QWidget* widget);

 private:
  const QWidget* widget_ = nullptr;
  std::chrono::nanoseconds period_{0};
  std::chrono::steady_clock::time_point lookedUp_{};
};

class FramePacer : public QObject {
  Q_OBJECT

 public:
  // The pacer of the top-level window `widget` lies in, made on first use;
  // it lives as long as that window.
  static FramePacer& Of(QWidget* widget);

  // `surface` has changes to paint: in the window's next frame, or at once
  // when a frame has been asked for and not painted yet, so that the paint
  // shows every change made up to it and none half-way.
  void Request(QWidget* widget, FrameClient& client);

  // `source` gives the window its frames from now on, for as long as
  // `owner` lives.
  void UseFrameSource(QObject* owner, FrameSource& source);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using Clock = std::chrono::steady_clock;
  explicit FramePacer(QWidget* window);
  void StartFrame();
  // Asks the compositor for the window's next frame; false where it does not
  // pace the window (no native window yet, or not Wayland).
  bool AskCompositor();

  QWidget* window_;
  RecentFramePeriod period_;
  QTimer next_;
  struct Waiting {
    QPointer<QWidget> widget;  // gone: the client went with it
    FrameClient* client;
  };
  std::vector<Waiting> waiting_;
  Clock::time_point lastFrame_{};
  Clock::time_point due_{};  // of the frame the timer waits for
  // A frame has asked Qt for its paint, which has not come yet.
  bool inFlight_ = false;
  QPointer<QWindow> native_;  // whose update requests are the frames
  QPointer<QObject> sourceOwner_;
  FrameSource* source_ = nullptr;
  bool compositorAsked_ = false;  // through the native window's update request
  bool sourceAsked_ = false;      // of the frame source
  Clock::time_point askedAt_{};
};

}  // namespace forms::detail
