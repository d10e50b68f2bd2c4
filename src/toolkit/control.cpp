// The properties every control holds.
#include "toolkit/control.h"

#include <algorithm>

namespace toolkit {

Control::~Control() {
  if (parent_ != nullptr) std::erase(parent_->children_, this);
  for (Control* child : children_) child->parent_ = nullptr;
}

void Control::SetParent(Control* parent) {
  if (parent_ == parent) return;
  if (parent_ != nullptr) std::erase(parent_->children_, this);
  parent_ = parent;
  if (parent_ != nullptr) parent_->children_.push_back(this);
}

void Control::BringToFront() {
  if (parent_ == nullptr) return;
  auto& siblings = parent_->children_;
  std::erase(siblings, this);
  siblings.push_back(this);
  Changed(Property::ZOrder);
}

void Control::SetBounds(const Bounds& bounds) {
  if (bounds_ == bounds) return;
  bounds_ = bounds;
  Changed(Property::Bounds);
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  VisibleChanged();
  Changed(Property::Visible);
}

void Control::SetCaption(std::u16string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Changed(Property::Caption);
}

void Control::Changed(Property property) {
  if (observer_) observer_(*this, property);
}

}  // namespace toolkit
