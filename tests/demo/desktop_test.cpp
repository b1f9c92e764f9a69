// The demo on a real desktop: an X server with a real window manager
// (openbox), started by tests/demo/desktop_session.sh, at the scale that
// session asks for (KV_EXPECTED_SCALE); or, as a native Wayland client, a
// headless compositor started by tests/demo/wayland_session.sh. What is
// measured is what reaches the screen: the window manager's frames as the X
// server has them, and pixels of the output (tests/demo/desktop_screen.h),
// in device pixels. A check the platform does not allow (X11 frames, input
// injection, a client's place on Wayland) is skipped there, saying so.
#include <xcb/xcb.h>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <functional>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls/meter/segment_layout.h"
#include "demo/terminator.h"
#include "runtime/forms/command_button.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/msgbox.h"
#include "runtime/forms/picture_box.h"
#include "runtime/forms/screen.h"
#include "runtime/forms/units.h"
#include "tests/demo/demo_session.h"
#include "tests/demo/desktop_screen.h"
#include "tests/runtime/forms/test_support.h"

namespace whorlix::testing {
namespace {

double ExpectedScale() {
  const char* s = std::getenv("KV_EXPECTED_SCALE");
  return s != nullptr ? std::atof(s) : 1.0;
}

xcb_connection_t* Connection() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

// The outer window the window manager put round `window`, in device pixels
// on the root window: the ancestor that is a child of the root.
QRect FrameOnScreen(const QWidget* window) {
  xcb_connection_t* c = Connection();
  xcb_window_t w = static_cast<xcb_window_t>(window->winId());
  for (;;) {
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
    if (tree == nullptr) return {};
    const xcb_window_t parent = tree->parent;
    const xcb_window_t root = tree->root;
    free(tree);
    if (parent == root || parent == XCB_NONE) break;
    w = parent;
  }
  xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
  if (g == nullptr) return {};
  const QRect r(g->x, g->y, g->width + 2 * g->border_width, g->height + 2 * g->border_width);
  free(g);
  return r;
}

QSize ScreenPixels() {
  const QScreen* s = QGuiApplication::primaryScreen();
  return (QSizeF(s->geometry().size()) * s->devicePixelRatio()).toSize();
}

// A widget's point in device pixels on the screen (integer scales only). A
// Wayland client is not told where it stands: there the main window is the
// maximised one, its frame at the output's origin.
QPoint OnScreen(const QWidget* w, QPoint logical) {
  const double s = w->devicePixelRatioF();
  QPoint g = w->mapToGlobal(logical);
  if (OnWayland()) g -= w->window()->frameGeometry().topLeft();
  return QPoint(static_cast<int>(std::lround(g.x() * s)), static_cast<int>(std::lround(g.y() * s)));
}

// What the output shows of a window's client area.
QImage GrabClientArea(const QWidget* window) {
  if (!OnWayland()) {
    PumpFor(150);  // let the paint reach the X server
    return window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
  }
  const QSize size = (QSizeF(window->size()) * window->devicePixelRatioF()).toSize();
  return GrabScreen().copy(QRect(OnScreen(window, QPoint(0, 0)), size));
}

#define SKIP_ON_WAYLAND(why) \
  if (OnWayland()) GTEST_SKIP() << "not on Wayland: " << why

struct Span {
  int start, length;
};

// Runs of pixels along row y, from x0 to x1, whose colour `in` accepts.
std::vector<Span> Runs(const QImage& img, int y, int x0, int x1, const std::function<bool(QRgb)>& in) {
  std::vector<Span> runs;
  for (int x = x0; x < x1; ++x) {
    if (!in(img.pixel(x, y))) continue;
    if (!runs.empty() && runs.back().start + runs.back().length == x) {
      ++runs.back().length;
    } else {
      runs.push_back({x, 1});
    }
  }
  return runs;
}

bool Near(QRgb p, int r, int g, int b, int tolerance = 24) {
  return std::abs(qRed(p) - r) <= tolerance && std::abs(qGreen(p) - g) <= tolerance &&
         std::abs(qBlue(p) - b) <= tolerance;
}

QWidget* MeterWindow(FullScreen& w) {
  QWidget* strip = w.FindPictureBox("Picture1")->Widget();
  const QRect meterBox(forms::TwipsToPixelsX(2820), forms::TwipsToPixelsY(45), forms::TwipsToPixelsX(2715),
                       forms::TwipsToPixelsY(240));
  for (QWidget* child : strip->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child->isVisible() && child->geometry() == meterBox) return child;
  }
  return nullptr;
}

using Desktop = DemoSession;

TEST_F(Desktop, ScaleIsTheOneTheDesktopAskedFor) {
  FullScreen& w = Open("values 0");
  EXPECT_DOUBLE_EQ(w.Window()->devicePixelRatioF(), ExpectedScale());
  // Twips follow the logical pixel grid.
  EXPECT_FLOAT_EQ(forms::Screen::TwipsPerPixelX(), 15.0f);
  EXPECT_FLOAT_EQ(forms::Screen::Width(),
                  static_cast<float>(QGuiApplication::primaryScreen()->geometry().width()) * 15.0f);
}

TEST_F(Desktop, TheMainWindowsFrameCoversTheScreenAndTheDialogsFrameIsCentred) {
  SKIP_ON_WAYLAND("no client learns its frame's place (TheMaximisedWindowCoversTheOutput instead)");
  FullScreen& w = Open("values 0");
  const QRect screen(QPoint(0, 0), ScreenPixels());
  EXPECT_TRUE(PumpUntil([&] { return FrameOnScreen(w.Window()) == screen; }, 5000));
  EXPECT_EQ(FrameOnScreen(w.Window()), screen);
  // The client area is what the frame leaves: smaller than the screen.
  EXPECT_LT(w.Window()->geometry().height(), QGuiApplication::primaryScreen()->geometry().height());
  EXPECT_FLOAT_EQ(w.Width(), forms::Screen::Width());
  EXPECT_FLOAT_EQ(w.Height(), forms::Screen::Height());

  Choose(w, "mnuExit");
  Terminator* dialog = w.QuitDialog();
  ASSERT_NE(dialog, nullptr);
  const auto centred = [&] {
    const QRect f = FrameOnScreen(dialog->Window());
    return f.isValid() && f.width() > dialog->Window()->width() &&
           std::abs(2 * f.x() + f.width() - screen.width()) <= 1 &&
           std::abs(2 * f.y() + f.height() - screen.height()) <= 1;
  };
  EXPECT_TRUE(PumpUntil(centred, 5000)) << "dialog frame at " << FrameOnScreen(dialog->Window()).x() << ","
                                        << FrameOnScreen(dialog->Window()).y();
}

// Where the compositor places windows, the window that covers the screen is
// the maximised one: the output shows it, frame and client area, from edge
// to edge, and the form's geometry reads what the compositor gave it.
TEST_F(Desktop, TheMaximisedWindowCoversTheOutput) {
  if (!OnWayland()) GTEST_SKIP() << "only where windows cannot be placed (X11: the frame test)";
  FullScreen& w = Open("values 0");
  QWidget* window = w.Window();
  ASSERT_TRUE(PumpUntil([&] { return window->windowHandle()->isExposed() && window->isMaximized(); }, 20000));
  const QSize screen = ScreenPixels();
  EXPECT_EQ(window->frameGeometry().size() * window->devicePixelRatioF(), screen);
  EXPECT_FLOAT_EQ(w.Left(), 0);
  EXPECT_FLOAT_EQ(w.Top(), 0);
  EXPECT_FLOAT_EQ(w.Width(), forms::Screen::Width());
  EXPECT_FLOAT_EQ(w.Height(), forms::Screen::Height());
  EXPECT_LT(w.ScaleHeight(), w.Height()) << "the title bar and the menu take their share";

  const QImage img = GrabScreen();
  ASSERT_EQ(img.size(), screen);
  // The client area's corners, on the output, in the window's background;
  // the compositor's own background (orange) shows nowhere.
  const QRect client(OnScreen(w.Widget(), QPoint(0, 0)), w.Widget()->size() * window->devicePixelRatioF());
  for (const QPoint p : {client.bottomLeft(), client.bottomRight(), client.topRight() + QPoint(0, 60)}) {
    EXPECT_TRUE(Near(img.pixel(p), 0, 0, 64, 0)) << p.x() << "," << p.y() << " " << std::hex << img.pixel(p);
  }
  // Along each edge of the output (the decorations round their corners).
  const int sw = screen.width(), sh = screen.height();
  for (const QPoint p : {QPoint(sw / 2, 0), QPoint(0, sh / 2), QPoint(sw - 1, sh / 2), QPoint(sw / 2, sh - 1),
                         QPoint(8, sh - 1), QPoint(sw - 9, sh - 1)}) {
    EXPECT_FALSE(Near(img.pixel(p), 255, 128, 0)) << "the desktop shows at " << p.x() << "," << p.y();
  }
}

// With no mixer the meter's message comes while the window is shown; by then
// the window is mapped and painted, so the message stands over it.
TEST_F(Desktop, TheMixerMessageStandsOverTheMappedAndPaintedWindow) {
  std::vector<std::string> messages;
  bool exposed = false;
  QRgb middle = 0;
  forms::ScopedMsgBoxHook hook([&](const std::string& text) {
    messages.push_back(text);
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->isVisible() && top->windowTitle().startsWith(" Brenvale KvQmxVU")) {
        exposed = top->windowHandle() != nullptr && top->windowHandle()->isExposed();
      }
    }
    const QImage img = GrabScreen();
    middle = img.pixel(img.width() / 2, img.height() / 2);
  });
  Open("open fail");
  EXPECT_EQ(messages, std::vector<std::string>{"Couldn't open the mixer."});
  EXPECT_TRUE(exposed);
  EXPECT_TRUE(Near(middle, 0, 0, 64, 0)) << std::hex << middle;  // the window's background
}

TEST_F(Desktop, AltFFiveTimesOpensFileEveryTime) {
  SKIP_ON_WAYLAND("the compositor takes no injected keys");
  FullScreen& w = Open("values 0");
  ASSERT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == w.Window(); }, 5000));
  QMenu* file = w.MenuAction("mnuFile")->menu();
  const auto key = [](const char* k) {
    EXPECT_EQ(QProcess::execute("xdotool", {"key", k}), 0) << k;
    PumpFor(150);
  };
  for (int i = 0; i < 5; ++i) {
    key("alt+f");
    EXPECT_TRUE(PumpUntil([&] { return QApplication::activePopupWidget() != nullptr; }, 2000));
    EXPECT_EQ(QApplication::activePopupWidget(), file) << "Alt+F number " << i + 1;
    key("Escape");
    key("Escape");
    EXPECT_TRUE(PumpUntil([&] { return QApplication::activePopupWidget() == nullptr; }, 2000));
  }
  key("alt+f");
  key("f");
  EXPECT_EQ(QApplication::activePopupWidget(), w.MenuAction("mnuFunctions")->menu());
  key("Escape");
}

// The keyboard as people know it: Alt+F opens "&File" with "&Exit"
// highlighted, so Enter asks to quit exactly as File > Exit does; in the
// dialog the focus starts on YES, and Enter presses it, ending the program.
TEST_F(Desktop, AltFEnterAsksToQuitAndEnterOnYesEndsTheProgram) {
  SKIP_ON_WAYLAND("the compositor takes no injected keys");
  FullScreen& w = Open("values 0");
  ASSERT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == w.Window(); }, 5000));
  const auto key = [](const char* k) {
    EXPECT_EQ(QProcess::execute("xdotool", {"key", k}), 0) << k;
    PumpFor(150);
  };
  key("alt+f");
  key("Return");
  ASSERT_TRUE(PumpUntil([&] { return w.QuitDialog() != nullptr && w.QuitDialog()->IsOpen(); }, 5000));
  Terminator& dialog = *w.QuitDialog();
  EXPECT_EQ(dialog.Window()->windowTitle(), QString(" Brenvale - Quiting?"));
  EXPECT_FALSE(w.IsOpen());
  const QWidget* yes = dialog.FindButton("Command1")->Widget();
  ASSERT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == dialog.Window() && yes->hasFocus(); }, 5000));
  key("Return");
  EXPECT_TRUE(PumpUntil([&] { return !dialog.IsOpen(); }, 5000)) << "Enter did not press YES";
  if (dialog.IsOpen()) dialog.NOTSURE_Click();
  EXPECT_EQ(RunToEnd(), 0);
}

// The meter's lit segments, the lit bars and the frame round them, at the
// session's scale: the layout of scale 1, every length times the scale.
TEST_F(Desktop, MeterBarsAndBordersAreTheLayoutOfScale1AtTheScreensScale) {
  FullScreen& w = Open("values 20000");
  const double s = ExpectedScale();
  ASSERT_DOUBLE_EQ(w.Window()->devicePixelRatioF(), s);
  const auto scaled = [&](double px) { return static_cast<int>(std::lround(px * s)); };

  Choose(w, "mnuDialfenLow");
  QWidget* meter = MeterWindow(w);
  ASSERT_NE(meter, nullptr);
  PumpFor(300);
  QImage img = GrabScreen();
  // Through the middle of the segments (top 3 px, 8 px high).
  const QPoint meterAt = OnScreen(meter, QPoint(0, 0));
  const int segmentRow = meterAt.y() + scaled(3 + 4);
  const auto lit = [](QRgb p) { return qRed(p) + qGreen(p) + qBlue(p) > 120; };
  const std::vector<Span> segments = Runs(img, segmentRow, meterAt.x(), meterAt.x() + scaled(181), lit);
  ASSERT_EQ(segments.size(), size_t{meter::kSegmentCount});
  for (int n = 0; n < meter::kSegmentCount; ++n) {
    const int width = n < 9 ? 14 : 15;  // the pictures' own widths
    EXPECT_EQ(segments[n].start - meterAt.x(), scaled(meter::kSegmentLefts[n] / 15.0)) << "segment " << n + 1;
    EXPECT_EQ(segments[n].length, scaled(width)) << "segment " << n + 1;
  }

  Choose(w, "mnuBarGraph");
  PumpFor(300);
  img = GrabScreen();
  QWidget* strip = w.FindPictureBox("Picture1")->Widget();
  const QPoint stripAt = OnScreen(strip, QPoint(0, 0));
  const int barRow = stripAt.y() + scaled(10);
  const std::vector<Span> bars =
      Runs(img, barRow, stripAt.x(), stripAt.x() + scaled(172), [](QRgb p) { return Near(p, 0, 192, 192); });
  ASSERT_EQ(bars.size(), size_t{21});  // 20000 lights them all
  for (size_t k = 0; k < bars.size(); ++k) {
    EXPECT_EQ(bars[k].length, scaled(3)) << "bar " << k;  // a 3-pixel line
    if (k > 0) {
      EXPECT_EQ(bars[k].start - bars[k - 1].start, scaled(8)) << "bar " << k;
    }
  }
  // The frame round the bars, a rectangle of border width 2.
  const std::vector<Span> frame =
      Runs(img, barRow, stripAt.x(), stripAt.x() + scaled(180), [](QRgb p) { return Near(p, 0, 128, 128, 8); });
  ASSERT_GE(frame.size(), size_t{2});
  EXPECT_EQ(frame.front().start, stripAt.x());
  EXPECT_EQ(frame.front().length, scaled(2));
  EXPECT_EQ(frame.back().length, scaled(2));

  // A ring round the sphere: Shape1, border width 3, across its centre, at
  // its right edge (the other rings cross its left one).
  const forms::Element* ring = w.Find("Shape1");
  ASSERT_NE(ring, nullptr);
  const int boxLeft = forms::TwipsToPixelsX(ring->Left());
  const int boxRight = forms::TwipsToPixelsX(ring->Left() + ring->Width());
  const int boxTop = forms::TwipsToPixelsY(ring->Top());
  const int boxBottom = forms::TwipsToPixelsY(ring->Top() + ring->Height());
  const int diameter = std::min(boxRight - boxLeft, boxBottom - boxTop);
  const int ringRight = boxLeft + (boxRight - boxLeft - diameter) / 2 + diameter;
  const QPoint centre = OnScreen(w.Widget(), QPoint((boxLeft + boxRight) / 2, (boxTop + boxBottom) / 2));
  const QPoint edge = OnScreen(w.Widget(), QPoint(ringRight, (boxTop + boxBottom) / 2));
  const std::vector<Span> border =
      Runs(img, centre.y(), centre.x(), edge.x() + scaled(2), [](QRgb p) { return Near(p, 128, 0, 128, 40); });
  ASSERT_FALSE(border.empty());
  EXPECT_NEAR(border.back().length, scaled(3), 1);
}

// What the display holds of the window after partial repaints is what a full
// repaint draws, at the session's scale too: at a fractional one every edge
// falls between device pixels, so a repaint box cut short leaves slivers.
TEST_F(Desktop, PartialRepaintsLeaveWhatAFullRepaintDrawsAtTheScreensScale) {
  const std::vector<std::pair<bool, int32_t>> steps = {  // {pulsing event?, level}
      {true, 12000}, {true, 20345}, {false, 3000}, {true, 777},
      {false, 10501}, {true, 0}, {true, 6001}, {false, 0}};
  std::string script = "values";
  for (const auto& step : steps) script += " " + std::to_string(step.second);
  FullScreen& w = Open(script);
  QWidget* window = w.Window();
  const auto grab = [&] { return GrabClientArea(window); };
  PumpFor(300);
  for (size_t i = 0; i < steps.size(); ++i) {
    if (steps[i].first) {
      w.KvQmxFasTmr1_QmxTimer();
    } else {
      w.BarGraphTimer_Timer();
    }
    const QImage shown = grab();
    QImage full;
    if (OnWayland()) {
      // The client area reaches the compositor through the runtime's own
      // surface, which a repaint from Qt's side does not touch: the full
      // picture is the widgets' own drawing of the whole window.
      full = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    } else {
      window->repaint();
      for (QWidget* child : window->findChildren<QWidget*>()) {
        if (child->isVisible()) child->repaint();
      }
      full = grab();
    }
    EXPECT_EQ(forms_test::FrameDifference(shown, full), "") << "step " << i << " at level " << steps[i].second;
  }
}

// A close from the window manager (or the compositor) while each mode runs,
// with the level moving at every reading: the repaints, ticks and geometry
// changes still on their way must not reach the window that has closed
// (on Wayland its native window is gone), and the program ends cleanly once
// the dialog is answered. The loop modes are closed from inside their loop.
struct ModeToClose {
  const char* name;
  const char* item;  // nullptr: the state after start-up
  bool loops;        // the command returns only when its loop ends
};

void PrintTo(const ModeToClose& mode, std::ostream* os) { *os << mode.name; }

class ClosedDuringAMode : public DemoSession, public ::testing::WithParamInterface<ModeToClose> {};

TEST_P(ClosedDuringAMode, NothingReachesTheClosedWindowAndTheProgramEnds) {
  std::string script = "values";
  for (int level = 0; level <= 16000; level += 800) script += " " + std::to_string(level);
  FullScreen& w = Open(script + "\nend cycle");
  ASSERT_TRUE(PumpUntil([&] { return w.Window()->windowHandle()->isExposed(); }, 20000));
  QWidget* window = w.Window();
  bool closedInside = false;
  const auto close = [&] {
    window->close();
    closedInside = !w.IsOpen();
  };
  const ModeToClose mode = GetParam();
  if (mode.loops) {
    Later(400, close);
    // Answered only after the loop has run on a while past the close.
    Later(700, [&] { w.QuitDialog()->FindButton("Command1")->Click(); });
    Choose(w, mode.item);
  } else {
    if (mode.item != nullptr) Choose(w, mode.item);
    PumpFor(400);
    close();
    PumpFor(300);
    w.QuitDialog()->FindButton("Command1")->Click();
  }
  EXPECT_TRUE(closedInside);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(RunToEnd(), 0);
}

const ModeToClose kModesToClose[] = {
    {"AfterStartUp", nullptr, false},
    {"PulsingShapes", "mnuWhorlix", true},
    {"LowTimer", "mnuDialfenLow", false},
    {"HiTimer", "mnuVUHiLow", true},
    {"BarGraph", "mnuBarGraph", false},
};
INSTANTIATE_TEST_SUITE_P(Desktop, ClosedDuringAMode, ::testing::ValuesIn(kModesToClose),
                         [](const ::testing::TestParamInfo<ModeToClose>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace whorlix::testing
