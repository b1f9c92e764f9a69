#include "runtime/forms/command_button.h"

#include <algorithm>
#include <vector>

#include <QKeyEvent>
#include <QPushButton>

#include "runtime/forms/container.h"
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

// A container holds its buttons as child windows; here they are buttons.
CommandButton& AsButton(const std::unique_ptr<ChildWindow>& child) { return static_cast<CommandButton&>(*child); }

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

CommandButton* Container::FindButton(const std::string& name) const {
  for (const auto& b : buttons_) {
    if (b->Name() == name) return &AsButton(b);
  }
  return nullptr;
}

CommandButton& Container::AddButton(std::string name) {
  CheckNewName(name);
  buttons_.push_back(std::make_unique<CommandButton>(*this, std::move(name)));
  CommandButton& button = AsButton(buttons_.back());
  // New buttons go last in the tab order.
  int next = 0;
  for (const auto& b : buttons_) {
    if (b.get() != &button) next = std::max(next, AsButton(b).TabIndex() + 1);
  }
  button.tabIndex_ = next;
  ReorderTabs();
  return button;
}

void Container::ReorderTabs() {
  std::vector<CommandButton*> order;
  for (const auto& b : buttons_) order.push_back(&AsButton(b));
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
  for (const auto& child : buttons_) {
    CommandButton* b = &AsButton(child);
    if (!b->Visible() || !b->Enabled() || b->Widget() == nullptr) continue;
    if (first == nullptr || b->TabIndex() < first->TabIndex()) first = b;
  }
  return first;
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
  if (button_) detail::PlaceInTwips(*button_, box_);
}

void CommandButton::SetLeft(float twips) {
  box_.left = twips;
  Place();
}

void CommandButton::SetTop(float twips) {
  box_.top = twips;
  Place();
}

void CommandButton::SetWidth(float twips) {
  box_.SetWidth(twips);
  Place();
}

void CommandButton::SetHeight(float twips) {
  box_.SetHeight(twips);
  Place();
}

void CommandButton::Move(float left, float top, float width, float height) {
  box_.Move(left, top, width, height);
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
