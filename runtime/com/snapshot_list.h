#pragma once
// A list that is walked far more often than it changes (the sinks of a
// connection point, a host's event handlers), where what a walk calls may
// change the list or drop the last reference to its owner. A change never
// touches a list in place: it builds the new one and puts it in place of the
// old. A walk holds the list it started with, and with it every item, until
// it is done, so walking copies and allocates nothing, and each walk sees
// exactly the items present when it started.
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace com {

template <class T>
class SnapshotList {
 public:
  using Items = std::vector<T>;

  // What a walk holds; null when the list is empty.
  std::shared_ptr<const Items> Snapshot() const { return items_; }

  void Append(T item) {
    auto next = items_ ? std::make_shared<Items>(*items_) : std::make_shared<Items>();
    next->push_back(std::move(item));
    items_ = std::move(next);
  }

  // Takes out the first item that matches; false when none does. The item
  // goes (its destructor runs) only once the list no longer holds it, and
  // only when no walk still holds the old list.
  template <class Match>
  bool RemoveFirst(Match match) {
    if (!items_) return false;
    const auto found = std::find_if(items_->begin(), items_->end(), match);
    if (found == items_->end()) return false;
    std::shared_ptr<Items> next;  // stays null when the last item goes
    if (items_->size() > 1) {
      next = std::make_shared<Items>();
      next->reserve(items_->size() - 1);
      for (auto it = items_->begin(); it != items_->end(); ++it)
        if (it != found) next->push_back(*it);
    }
    std::shared_ptr<const Items> previous = std::exchange(items_, std::move(next));
    previous.reset();
    return true;
  }

  // Empties the list; as with RemoveFirst, the items go once nothing holds them.
  void Clear() {
    std::shared_ptr<const Items> previous = std::move(items_);
    previous.reset();
  }

 private:
  std::shared_ptr<const Items> items_;
};

}  // namespace com
