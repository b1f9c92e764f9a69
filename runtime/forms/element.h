#pragma once
// The base of windowless elements: they own no window and are drawn by their
// container, back to front, clipped to the container's client area. Geometry
// is a TwipsBox relative to that client area. A setter that refuses a value
// raises platform::Error and leaves the old value in place.
#include "runtime/platform/export.h"
#include <string>
#include <utility>

#include <QRect>
#include <QRegion>

#include "runtime/forms/twips_box.h"

class QPainter;

namespace forms {

class Container;
class Element;

// What an element asks of the container that draws it; the element knows
// its container only through this.
class ElementOwner {
 public:
  // The element's looks, place, size or visibility changed.
  virtual void ElementChanged(Element& element) = 0;

 protected:
  ~ElementOwner() = default;
};

class KVQMXTMR_EXPORT Element {
 public:
  Element(ElementOwner& owner, std::string name);
  virtual ~Element();
  Element(const Element&) = delete;
  Element& operator=(const Element&) = delete;

  const std::string& Name() const { return name_; }

  virtual float Left() const { return box_.left; }
  virtual float Top() const { return box_.top; }
  virtual float Width() const { return box_.width; }
  virtual float Height() const { return box_.height; }
  // Width and height must not be negative.
  virtual void SetLeft(float twips);
  virtual void SetTop(float twips);
  virtual void SetWidth(float twips);
  virtual void SetHeight(float twips);
  void Move(float left, float top, float width, float height);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  // Draws the element in the container's pixel space; only visible elements
  // are asked.
  virtual void Paint(QPainter& painter) const = 0;
  // Every pixel Paint can touch with the element as it is now, in the same
  // space; empty when it draws nothing. A change repaints only these pixels,
  // as they were before and as they are after.
  virtual QRect PaintBounds() const = 0;

 protected:
  // What a setter calls once a value has really changed. A new place, size or
  // visibility is compared with what the screen shows when the container
  // next repaints, so a value set and set back before then draws nothing;
  // new looks (colour, width, picture, text, a line's ends) always repaint
  // the element's box.
  void PlacementChanged();
  void LooksChanged();
  // The shape of nearly every setter of looks: a value equal to the current
  // one changes nothing; a new one is stored and repaints the element.
  template <class T, class V>
  void SetLook(T& field, V&& value) {
    if (value == field) return;
    field = std::forward<V>(value);
    LooksChanged();
  }

  TwipsBox box_;

 private:
  friend class Container;
  // The pixels to repaint for the changes since the last call, and the
  // element's footprint on screen from now on.
  QRegion TakeChangedPixels();
  // A paint ran while changes were waiting: part of the screen may already
  // show the element as it is now.
  void NotePaintedWhileChanging();
  QRect Footprint() const;

  ElementOwner& owner_;
  std::string name_;
  bool visible_ = true;
  // Change tracking, driven by the container: the footprint the screen
  // shows (as of the last repaint asked for), and what happened since.
  QRect shownFootprint_;
  QRect paintedFootprints_;
  bool changing_ = false;
  bool looksChanged_ = false;
  bool paintedMeanwhile_ = false;
};

}  // namespace forms
