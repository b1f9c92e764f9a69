#include "runtime/forms/command_button.h"

#include <QKeyEvent>
#include <QPushButton>

#include "runtime/forms/container.h"
#include "runtime/forms/detail/child_geometry.h"
#include "runtime/forms/detail/runtime_state.h"

namespace forms {
namespace {

// Enter (either key) presses the button that has the focus, as Space does,
// whether or not the window has a default button. Qt's own buttons take
// Enter only as default buttons, and those a form may not have.
class PushButton : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      e->accept();
      if (!e->isAutoRepeat()) click();
      return;
    }
    QPushButton::keyPressEvent(e);
  }
};

}  // namespace

CommandButton::CommandButton(Container& parent, std::string name) : parent_(parent), name_(std::move(name)) {
  button_ = new PushButton(parent.Widget());
  button_->setAutoDefault(false);
  button_->setDefault(false);
  button_->setFocusPolicy(Qt::StrongFocus);
  QObject::connect(button_.data(), &QPushButton::clicked, [this] { Pressed(); });
  Place();
  button_->show();
}

CommandButton::~CommandButton() {
  if (button_) {
    QObject::disconnect(button_.data(), nullptr, nullptr, nullptr);
    delete button_.data();
  }
}

QPushButton* CommandButton::Widget() const { return button_.data(); }

void CommandButton::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  // QAbstractButton derives the access key from the text on every change, so
  // the key always follows the caption shown.
  if (button_) button_->setText(QString::fromStdString(caption_));
}

void CommandButton::SetOnClick(std::function<void()> onClick) { onClick_ = std::move(onClick); }

void CommandButton::Click() {
  if (button_) {
    button_->click();
  } else {
    Pressed();
  }
}

void CommandButton::Pressed() {
  if (!onClick_) return;
  std::function<void()> handler = onClick_;
  detail::Guarded(name_.c_str(), handler);
}

void CommandButton::Place() {
  if (button_) detail::PlaceInTwips(*button_, left_, top_, width_, height_);
}

void CommandButton::SetLeft(float twips) {
  left_ = twips;
  Place();
}

void CommandButton::SetTop(float twips) {
  top_ = twips;
  Place();
}

void CommandButton::SetWidth(float twips) {
  detail::CheckExtent(twips, "Width");
  width_ = twips;
  Place();
}

void CommandButton::SetHeight(float twips) {
  detail::CheckExtent(twips, "Height");
  height_ = twips;
  Place();
}

void CommandButton::Move(float left, float top, float width, float height) {
  detail::CheckExtent(width, "Width");
  detail::CheckExtent(height, "Height");
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Place();
}

void CommandButton::SetVisible(bool visible) {
  visible_ = visible;
  if (button_) button_->setVisible(visible);
}

void CommandButton::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (button_) button_->setEnabled(enabled);
}

void CommandButton::SetTabIndex(int index) {
  tabIndex_ = index;
  parent_.ReorderTabs();
}

void CommandButton::SetFocus() {
  if (button_) button_->setFocus(Qt::OtherFocusReason);
}

}  // namespace forms
