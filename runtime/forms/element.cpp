#include "runtime/forms/element.h"

namespace forms {

using detail::CheckExtent;

Element::Element(ElementOwner& owner, std::string name) : owner_(owner), name_(std::move(name)) {}

Element::~Element() = default;

void Element::PlacementChanged() { owner_.ElementChanged(*this); }

void Element::LooksChanged() {
  looksChanged_ = true;
  owner_.ElementChanged(*this);
}

QRect Element::Footprint() const {
  const QRect bounds = visible_ ? PaintBounds() : QRect();
  // At a fractional screen scale edges are snapped to device pixels, which
  // can lie up to half a device pixel outside the logical box, and Qt rounds
  // a logical repaint box to device pixels its own way; a logical pixel more
  // on every side covers both.
  return bounds.isEmpty() ? QRect() : bounds.adjusted(-1, -1, 1, 1);
}

QRegion Element::TakeChangedPixels() {
  const QRect now = Footprint();
  QRegion changed;
  if (looksChanged_ || paintedMeanwhile_ || now != shownFootprint_) {
    changed = QRegion(shownFootprint_).united(paintedFootprints_).united(now);
  }
  shownFootprint_ = now;
  paintedFootprints_ = QRect();
  changing_ = looksChanged_ = paintedMeanwhile_ = false;
  return changed;
}

void Element::NotePaintedWhileChanging() {
  paintedMeanwhile_ = true;
  paintedFootprints_ |= Footprint();
}

// Positions and sizes are stored as given even when equal, so a get returns
// the very float that was set (0 after -0, say).
void Element::SetLeft(float twips) {
  box_.left = twips;
  PlacementChanged();
}

void Element::SetTop(float twips) {
  box_.top = twips;
  PlacementChanged();
}

void Element::SetWidth(float twips) {
  box_.SetWidth(twips);
  PlacementChanged();
}

void Element::SetHeight(float twips) {
  box_.SetHeight(twips);
  PlacementChanged();
}

void Element::Move(float left, float top, float width, float height) {
  // Validate both extents first, so a refused move changes nothing.
  CheckExtent(width, "Width");
  CheckExtent(height, "Height");
  SetLeft(left);
  SetTop(top);
  SetWidth(width);
  SetHeight(height);
}

void Element::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  PlacementChanged();
}

}  // namespace forms
