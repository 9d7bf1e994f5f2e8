#pragma once
#include <memory>

namespace ui {

// A weak reference to `object` seen through one of its interfaces, for
// handing an object that is held by a shared pointer (a view, a view
// controller) to something that must not own it, such as a delegate slot:
// `table->setDelegate(ui::weakAs<ui::TableViewDelegate>(this))`. Empty when
// the object is not (or no longer) held by a shared pointer.
//
// A callback that must not keep its owner alive captures the owner's own
// class the same way, so it locks straight to what it calls:
// `[weak = ui::weakAs<Self>(this)] { if (auto self = weak.lock()) ... }`.
template <class Interface, class T>
std::weak_ptr<Interface> weakAs(T* object) {
  if (!object) return {};
  auto owner = object->weak_from_this().lock();
  if (!owner) return {};
  return std::shared_ptr<Interface>(owner, static_cast<Interface*>(object));
}

// The same for a weak reference held as a base class (another object's
// `weak_from_this()`, a view's window), narrowed to the class the caller
// knows it to be. Empty when nothing is behind `weak` any more.
template <class T, class Base>
std::weak_ptr<T> weakAs(const std::weak_ptr<Base>& weak) {
  return std::static_pointer_cast<T>(weak.lock());
}

}  // namespace ui
