#include "runtime/forms/detail/menu_access_keys.h"

#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcutEvent>

namespace forms::detail {
namespace {

bool HasKey(const QAction* action, const QKeySequence& key) {
  return action->isVisible() && action->isEnabled() && QKeySequence::mnemonic(action->text()) == key;
}

// The first item that can be chosen, or nullptr.
QAction* FirstItem(const QMenu* menu) {
  for (QAction* item : menu->actions()) {
    if (item->isVisible() && item->isEnabled() && !item->isSeparator()) return item;
  }
  return nullptr;
}

}  // namespace

MenuAccessKeys::MenuAccessKeys(QMenuBar* bar) : QObject(bar), bar_(bar) { bar->installEventFilter(this); }

void MenuAccessKeys::Watch(QMenu* menu) { menu->installEventFilter(this); }

bool MenuAccessKeys::Open(const QKeySequence& key, bool next) {
  QList<QAction*> withKey;
  for (QAction* action : bar_->actions()) {
    if (HasKey(action, key)) withKey.push_back(action);
  }
  if (withKey.isEmpty()) return false;
  QAction* open = withKey.front();
  const qsizetype current = withKey.indexOf(bar_->activeAction());
  if (next && current >= 0) open = withKey.at((current + 1) % withKey.size());
  if (open != bar_->activeAction() || bar_->activeAction()->menu() == nullptr ||
      !bar_->activeAction()->menu()->isVisible()) {
    bar_->setActiveAction(open);
    // A menu opened from the keyboard highlights its first item, so Enter
    // chooses it at once.
    QMenu* menu = open->menu();
    if (menu != nullptr && menu->isVisible()) menu->setActiveAction(FirstItem(menu));
  }
  return true;
}

bool MenuAccessKeys::eventFilter(QObject* watched, QEvent* event) {
  if (watched == bar_ && event->type() == QEvent::Shortcut) {
    // The bar's only shortcuts are its access keys.
    return Open(static_cast<QShortcutEvent*>(event)->key(), false);
  }
  auto* menu = qobject_cast<QMenu*>(watched);
  if (menu == nullptr || event->type() != QEvent::KeyPress) return false;
  const auto* press = static_cast<QKeyEvent*>(event);
  const Qt::KeyboardModifiers mods = press->modifiers() & ~Qt::KeypadModifier;
  if (mods != Qt::NoModifier && mods != Qt::AltModifier && mods != Qt::ShiftModifier) return false;
  if (press->key() < Qt::Key_Space || press->key() > Qt::Key_AsciiTilde) return false;
  const QKeySequence key(QKeyCombination(Qt::AltModifier, static_cast<Qt::Key>(press->key())));
  // An item of the open menu with that key is chosen by the menu itself.
  for (const QAction* item : menu->actions()) {
    if (HasKey(item, key)) return false;
  }
  return Open(key, mods != Qt::AltModifier);
}

}  // namespace forms::detail
