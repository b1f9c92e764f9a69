#include "runtime/forms/menu.h"

#include <QAction>
#include <QMenu>

#include "runtime/forms/detail/runtime_state.h"

namespace forms {

Menu::Menu(QMenu* menu, std::string name) : menu_(menu), name_(std::move(name)) {}

QAction* Menu::AddItem(std::string name, std::string caption, std::function<void()> onClick) {
  QAction* action = menu_->addAction(QString::fromStdString(caption));
  action->setObjectName(QString::fromStdString(name));
  // Items carry access keys only, never shortcut keys.
  action->setShortcut(QKeySequence());
  const std::string where = name;
  QObject::connect(action, &QAction::triggered, action, [handler = std::move(onClick), where] {
    if (!handler) return;
    // The command may run a message loop for as long as it likes; a copy
    // keeps it intact even if the item is changed meanwhile.
    std::function<void()> run = handler;
    detail::Guarded(where.c_str(), run);
  });
  items_.emplace_back(std::move(name), action);
  return action;
}

QAction* Menu::Item(const std::string& name) const {
  for (const auto& [n, a] : items_) {
    if (n == name) return a;
  }
  return nullptr;
}

QAction* Menu::MenuAction() const { return menu_->menuAction(); }

}  // namespace forms
