#include "runtime/forms/container.h"

#include <cstdlib>
#include <cstring>

#include <QPainter>
#include <QWidget>

#include "runtime/forms/detail/form_window.h"
#include "runtime/forms/detail/runtime_state.h"
#include "runtime/forms/detail/surface.h"
#include "runtime/forms/detail/wayland_layer.h"
#include "runtime/platform/error.h"

namespace forms {
namespace {

// KV_FULL_REPAINT=1 repaints a whole client area for every change, as a
// baseline to measure the partial repaints against.
bool FullRepaints() {
  static const bool full = [] {
    const char* value = std::getenv("KV_FULL_REPAINT");
    return value != nullptr && std::strcmp(value, "1") == 0;
  }();
  return full;
}

}  // namespace

Container::Container() { detail::EnsureApplication(); }

Container::~Container() {
  // Child containers and buttons first: their widgets live inside ours.
  buttons_.clear();
  pictureBoxes_.clear();
  if (surface_) surface_->Dispose();
  timers_.clear();
  changing_.clear();
  elements_.clear();
}

void Container::SetSurface(detail::Surface* surface) { surface_ = surface; }

QWidget* Container::Widget() const { return surface_.data(); }

void Container::Invalidate() const {
  if (surface_ && !detail::WaylandLayer::Show(surface_, surface_->rect())) surface_->update();
}

void Container::SetBackColor(Color color) {
  if (color == backColor_) return;
  backColor_ = color;
  Invalidate();
}

void Container::ElementChanged(Element& element) {
  // Without a window nothing is on screen to keep up to date.
  if (!surface_) return;
  if (FullRepaints()) {
    wholeChanged_ = true;
  } else if (!element.changing_) {
    element.changing_ = true;
    changing_.push_back(&element);
  }
  surface_->ScheduleRepaintChanges();
}

bool Container::RepaintChanges() {
  if (wholeChanged_) {
    wholeChanged_ = false;
    if (!surface_) return false;
    if (detail::WaylandLayer::Show(surface_, surface_->rect())) return false;
    surface_->update();
    return surface_->isVisible();
  }
  QRegion changed;
  for (Element* element : changing_) changed += element->TakeChangedPixels();
  changing_.clear();
  // A window that has closed shows nothing any more; its backing store
  // must not be touched.
  if (!detail::FormWindow::Paintable(surface_)) return false;
  if (!surface_ || changed.isEmpty()) return false;
  // Shown through the window's own layer, the changes leave Qt nothing to paint.
  if (detail::WaylandLayer::Show(surface_, changed)) return false;
  surface_->update(changed);
  // Qt paints nothing of a hidden widget, and sends no frame for it.
  return surface_->isVisible();
}

void Container::CheckNewName(const std::string& name) const {
  if (name.empty()) {
    throw platform::Error(platform::kErrorInvalidArgument, "An element needs a name.");
  }
  if (Find(name) != nullptr || FindPictureBox(name) != nullptr || FindButton(name) != nullptr ||
      FindTimer(name) != nullptr) {
    throw platform::Error(platform::kErrorInvalidArgument,
                          "The name \"" + name + "\" is used already in this container.");
  }
}

Element* Container::Find(const std::string& name) const {
  for (const auto& e : elements_) {
    if (e->Name() == name) return e.get();
  }
  return nullptr;
}

Timer* Container::FindTimer(const std::string& name) const {
  for (const auto& t : timers_) {
    if (t->Name() == name) return t.get();
  }
  return nullptr;
}

Timer& Container::AddTimer(std::string name) {
  CheckNewName(name);
  timers_.push_back(std::make_unique<Timer>());
  timers_.back()->SetName(std::move(name));
  timers_.back()->SetScreenOf([this] { return Widget(); });
  return *timers_.back();
}

void Container::SuspendTimers(bool suspended) {
  for (const auto& t : timers_) t->SetSuspended(suspended);
  for (const auto& p : pictureBoxes_) p->SetTimersSuspended(suspended);
}

void Container::PaintClientArea(QPainter& painter, const QRegion& region) {
  const QWidget* surface = Widget();
  if (surface == nullptr) return;
  // Parts of this paint may show changes that are still waiting; those
  // elements' next repaint must take in what this one drew of them.
  for (Element* element : changing_) element->NotePaintedWhileChanging();
  const QRect area = region.boundingRect() & surface->rect();
  painter.fillRect(area, QColor(backColor_.r, backColor_.g, backColor_.b));
  // Back to front: the last added lies lowest.
  for (auto it = elements_.rbegin(); it != elements_.rend(); ++it) {
    const Element& e = **it;
    if (!e.Visible() || !region.intersects(e.PaintBounds())) continue;
    painter.save();
    e.Paint(painter);
    painter.restore();
  }
}

}  // namespace forms
