#pragma once
// A top-level window. Its life: Form_Load once before it is first shown; shown
// without waiting and without an owner; a close request (from code, UnloadMode
// 1, or from the window manager, UnloadMode 0) runs Form_QueryUnload and then
// Form_Unload, and either can keep the window open by setting Cancel. A closed
// form leaves the screen for good but stays addressable, with all its
// elements, until the program ends; Form_Terminate runs then. Forms are never
// deleted while the program runs, so a form closed inside a nested message
// loop cannot vanish under that loop.
#include "runtime/platform/export.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QImage>
#include <QMargins>
#include <QPointer>
#include <QSize>

#include "runtime/forms/container.h"
#include "runtime/forms/detail/form_window_owner.h"
#include "runtime/forms/menu.h"
#include "runtime/forms/twips_box.h"

class QAction;

namespace forms {

namespace detail {
class FormWindow;
class MenuAccessKeys;
}  // namespace detail

enum class BorderStyle {
  None,         // no title bar, no border
  FixedSingle,  // title bar, fixed size
  Sizable,      // title bar, sizing border (the default)
  FixedDialog,  // title bar with a close button only, fixed size
};

// UnloadMode values given to Form_QueryUnload.
inline constexpr int16_t kUnloadFromWindowManager = 0;
inline constexpr int16_t kUnloadFromCode = 1;

class KVQMXTMR_EXPORT Form : public Container, private detail::FormWindowOwner {
 public:
  Form();
  ~Form() override;

  // Runs Form_Load once (later calls do nothing).
  void Load();
  // Loads if needed, then shows the window without waiting. A form that has
  // closed is never shown again; Show then does nothing.
  void Show();
  // The closing sequence from code (UnloadMode 1). Returns true if the form
  // is closed afterwards (or was already), false if a handler cancelled.
  bool Unload();
  // Shown and not closed.
  bool IsOpen() const;
  bool Loaded() const { return loaded_; }
  bool Closed() const override { return closed_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  void SetIcon(const QImage& icon);

  // Outer window geometry in twips (title bar and borders included once the
  // window manager has given them), relative to the primary screen.
  float Left() const;
  float Top() const;
  float Width() const;
  float Height() const;
  void SetLeft(float twips);
  void SetTop(float twips);
  void SetWidth(float twips);
  void SetHeight(float twips);
  void Move(float left, float top, float width, float height);

  // The client area (below the menu bar, inside the borders) in twips.
  float ScaleWidth() const;
  float ScaleHeight() const;
  void SetClientSize(float width, float height);

  void SetBorderStyle(BorderStyle style);
  // Centres the outer window on the primary screen.
  void CenterOnScreen();

  // Adds a menu at the end of the menu bar.
  Menu& AddMenu(std::string name, std::string caption);
  Menu* FindMenu(const std::string& name) const;
  // A menu or menu item by name (a menu's own action opens its sub-menu), so
  // code and tests can trigger a command; nullptr if unknown.
  QAction* MenuAction(const std::string& name) const;

  // The top-level Qt window (never deleted before the form).
  QWidget* Window() const;

  // Called by the program's end (Application::Run), once.
  void Terminate();

 protected:
  virtual void Form_Load() {}
  virtual void Form_QueryUnload(int16_t& Cancel, int16_t& UnloadMode) {
    (void)Cancel;
    (void)UnloadMode;
  }
  virtual void Form_Unload(int16_t& Cancel) { (void)Cancel; }
  virtual void Form_Terminate() {}

 private:
  // The shared closing sequence; true when the form is closed afterwards.
  bool RunClosingSequence(int16_t unloadMode);
  bool CloseFromWindowManager() override;
  void ApplyGeometry();
  // Applies the geometry again when the window manager's frame round the
  // window differs from the one the last placement allowed for: when the
  // frame first becomes known after showing, and whenever it changes.
  void FollowFrame() override;
  QMargins FrameMargins() const;
  QSize ClientPixels() const;
  void FocusFirstButton();

  std::unique_ptr<detail::FormWindow> window_;
  std::vector<std::unique_ptr<Menu>> menus_;
  detail::MenuAccessKeys* accessKeys_ = nullptr;  // owned by the menu bar
  std::string caption_;
  TwipsBox box_;
  float clientWidth_ = 0, clientHeight_ = 0;
  bool clientSized_ = false;  // the client size was set last, not the outer one
  bool centred_ = false;      // centred, and not placed since
  QMargins placedMargins_;    // the frame the last placement allowed for
  bool followingFrame_ = false;
  BorderStyle borderStyle_ = BorderStyle::Sizable;
  bool loaded_ = false;
  bool shown_ = false;
  bool closed_ = false;
  bool inClosingSequence_ = false;
  bool terminated_ = false;
};

}  // namespace forms
