#pragma once
// A menu on a form's menu bar. Captions use "&" for access keys; items carry
// no shortcut keys. A command runs synchronously when its item is chosen and
// may pump messages (DoEvents) for as long as it likes.
#include "runtime/platform/export.h"
#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenu;

namespace forms {

class KVQMXTMR_EXPORT Menu {
 public:
  Menu(QMenu* menu, std::string name);

  const std::string& Name() const { return name_; }
  // Adds an item at the end of the menu.
  QAction* AddItem(std::string name, std::string caption, std::function<void()> onClick);
  // An item by name, or nullptr.
  QAction* Item(const std::string& name) const;
  QMenu* QtMenu() const { return menu_; }
  QAction* MenuAction() const;

 private:
  QMenu* menu_;
  std::string name_;
  std::vector<std::pair<std::string, QAction*>> items_;
};

}  // namespace forms
