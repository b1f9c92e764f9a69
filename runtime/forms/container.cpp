#include "runtime/forms/container.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <QPainter>
#include <QPushButton>
#include <QWidget>

#include "runtime/forms/command_button.h"
#include "runtime/forms/detail/form_window.h"
#include "runtime/forms/detail/runtime_state.h"
#include "runtime/forms/detail/surface.h"
#include "runtime/forms/picture_box.h"
#include "runtime/forms/units.h"
#include "runtime/forms/user_control.h"
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
  if (surface_) surface_->update();
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
    Invalidate();
    return surface_ && surface_->isVisible();
  }
  QRegion changed;
  for (Element* element : changing_) changed += element->TakeChangedPixels();
  changing_.clear();
  // A window that has closed shows nothing any more; its backing store
  // must not be touched.
  if (!detail::FormWindow::Paintable(surface_)) return false;
  if (!surface_ || changed.isEmpty()) return false;
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

PictureBox* Container::FindPictureBox(const std::string& name) const {
  for (const auto& p : pictureBoxes_) {
    if (p->Name() == name) return p.get();
  }
  return nullptr;
}

CommandButton* Container::FindButton(const std::string& name) const {
  for (const auto& b : buttons_) {
    if (b->Name() == name) return b.get();
  }
  return nullptr;
}

Timer* Container::FindTimer(const std::string& name) const {
  for (const auto& t : timers_) {
    if (t->Name() == name) return t.get();
  }
  return nullptr;
}

PictureBox& Container::AddPictureBox(std::string name) {
  CheckNewName(name);
  pictureBoxes_.push_back(std::make_unique<PictureBox>(*this, std::move(name)));
  return *pictureBoxes_.back();
}

CommandButton& Container::AddButton(std::string name) {
  CheckNewName(name);
  buttons_.push_back(std::make_unique<CommandButton>(*this, std::move(name)));
  CommandButton& button = *buttons_.back();
  // New buttons go last in the tab order.
  int next = 0;
  for (const auto& b : buttons_) {
    if (b.get() != &button) next = std::max(next, b->TabIndex() + 1);
  }
  button.tabIndex_ = next;
  ReorderTabs();
  return button;
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
  for (const auto& p : pictureBoxes_) p->SuspendTimers(suspended);
}

void Container::ReorderTabs() {
  std::vector<CommandButton*> order;
  for (const auto& b : buttons_) order.push_back(b.get());
  std::stable_sort(order.begin(), order.end(),
                   [](const CommandButton* a, const CommandButton* b) { return a->TabIndex() < b->TabIndex(); });
  for (size_t i = 1; i < order.size(); ++i) {
    QWidget* first = order[i - 1]->Widget();
    QWidget* second = order[i]->Widget();
    if (first != nullptr && second != nullptr) QWidget::setTabOrder(first, second);
  }
}

CommandButton* Container::FirstTabStop() const {
  CommandButton* first = nullptr;
  for (const auto& b : buttons_) {
    if (!b->Visible() || !b->Enabled() || b->Widget() == nullptr) continue;
    if (first == nullptr || b->TabIndex() < first->TabIndex()) first = b.get();
  }
  return first;
}

void Container::PlaceChildWidget(QWidget* child, float left, float top, float width, float height) {
  if (child == nullptr) {
    throw platform::Error(platform::kErrorInvalidArgument, "There is no window to place.");
  }
  QWidget* surface = Widget();
  if (surface == nullptr) {
    throw platform::Error(platform::kErrorFail, "This container's window no longer exists.");
  }
  if (child->parentWidget() != surface) {
    // Reparenting hides a widget; a newly placed window is meant to be seen
    // (an invisible-at-run-time control stays hidden through its surface).
    child->setParent(surface);
    child->show();
  }
  child->move(TwipsToPixelsX(left), TwipsToPixelsY(top));
  if (UserControl* control = UserControl::FromWidget(child)) {
    control->HostResize(width, height);
  } else {
    child->resize(std::max(0, TwipsToPixelsX(width)), std::max(0, TwipsToPixelsY(height)));
  }
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
