#pragma once
// What forms, picture boxes and user controls have in common: a client area
// with a background colour that draws its windowless elements in z-order,
// clipped to itself, and holds child windows (picture boxes, buttons, hosted
// controls) that always lie above those elements.
#include "runtime/platform/export.h"
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include <QPointer>

#include "runtime/forms/child_window.h"
#include "runtime/forms/color.h"
#include "runtime/forms/detail/surface_owner.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/timer.h"

class QWidget;
class QPainter;
class QRegion;

namespace forms {

class PictureBox;
class CommandButton;

namespace detail {
class Surface;
}

// The members that add, find or place one kind of child window are defined
// with that kind (picture_box.cpp, command_button.cpp, user_control.cpp).
class KVQMXTMR_EXPORT Container : public detail::SurfaceOwner, public ElementOwner {
 public:
  virtual ~Container();
  Container(const Container&) = delete;
  Container& operator=(const Container&) = delete;

  // Adds a windowless element behind all existing ones, so adding elements in
  // front-to-back order reproduces that order. Names are unique within the
  // container (platform::Error otherwise).
  template <class T>
  T& Add(std::string name) {
    static_assert(std::is_base_of_v<Element, T>, "Add takes a windowless element type");
    CheckNewName(name);
    auto element = std::make_unique<T>(*this, std::move(name));
    T& ref = *element;
    elements_.push_back(std::move(element));
    ElementChanged(ref);
    return ref;
  }

  // An element by name, or nullptr.
  Element* Find(const std::string& name) const;
  // Front to back.
  const std::vector<std::unique_ptr<Element>>& Elements() const { return elements_; }

  Color BackColor() const { return backColor_; }
  void SetBackColor(Color color);

  // The widget that paints this container's client area; nullptr once a host
  // has destroyed it (a hosted control whose window went with its host).
  QWidget* Widget() const;

  PictureBox& AddPictureBox(std::string name);
  CommandButton& AddButton(std::string name);
  // A timer that belongs to this container: it falls silent when the form it
  // lives on closes.
  Timer& AddTimer(std::string name);

  PictureBox* FindPictureBox(const std::string& name) const;
  CommandButton* FindButton(const std::string& name) const;
  Timer* FindTimer(const std::string& name) const;

  // Places a child window (a hosted control's, usually) at a position and size
  // in twips relative to the client area, reparenting it here if needed. A
  // user control's window is resized through the control, so its
  // UserControl_Resize runs.
  void PlaceChildWidget(QWidget* child, float left, float top, float width, float height);

  // Repaints the whole client area (coalesced).
  void Invalidate() const;

  // Draws the background and the visible elements that reach into `region`,
  // back to front; the surface calls it with a painter clipped to `region`.
  void PaintClientArea(QPainter& painter, const QRegion& region) override;

  // Asks for a paint of the pixels that the elements' changes since the last
  // call touched (the whole client area with KV_FULL_REPAINT=1); true if
  // there were any. The surface calls it at the window's next frame.
  bool RepaintChanges() override;

 protected:
  Container();
  // Attaches the widget that paints this container (created by the subclass).
  void SetSurface(detail::Surface* surface);
  // Silences (or revives) every timer of this container and of its picture
  // boxes.
  void SuspendTimers(bool suspended);
  // Keeps the buttons' tab order in TabIndex order.
  void ReorderTabs();
  // The visible, enabled button lowest in the tab order, or nullptr.
  CommandButton* FirstTabStop() const;

 private:
  friend class CommandButton;
  void CheckNewName(const std::string& name) const;
  // An element's looks, place, size or visibility changed. Its old and new
  // footprints are repainted in the window's next frame, so all the changes
  // one handler makes reach the screen together.
  void ElementChanged(Element& element) override;

  QPointer<detail::Surface> surface_;
  Color backColor_{240, 240, 240};
  std::vector<std::unique_ptr<Element>> elements_;
  std::vector<Element*> changing_;  // elements with changes not yet repainted
  bool wholeChanged_ = false;       // KV_FULL_REPAINT=1: a change waits for its frame
  std::vector<std::unique_ptr<ChildWindow>> pictureBoxes_;
  std::vector<std::unique_ptr<ChildWindow>> buttons_;
  std::vector<std::unique_ptr<Timer>> timers_;
};

}  // namespace forms
