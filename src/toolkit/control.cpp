// The properties every control holds, and its peer.
#include "toolkit/control.h"

#include <algorithm>

#include "toolkit/application.h"
#include "toolkit/layout.h"

namespace toolkit {

Control::~Control() {
  // The native halves go first, children's before their parent's, while
  // the controls are still whole (a parent may be destroyed before its
  // children: they are members of one form).
  DropPeers();
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
  designed_ = {bounds, parent_ != nullptr ? parent_->ClientSize() : Size{}};
  Place(bounds);
}

void Control::Place(const Bounds& bounds) {
  if (bounds_ == bounds) return;
  const bool resized = bounds_.width != bounds.width || bounds_.height != bounds.height;
  bounds_ = bounds;
  Changed(Property::Bounds);
  if (resized && realized_) ArrangeChildren(*this);
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  VisibleChanged();
  Changed(Property::Visible);
  // Hidden children take no room among their aligned siblings.
  if (realized_ && parent_ != nullptr && align_ != Align::None) ArrangeChildren(*parent_);
}

void Control::SetCaption(std::u16string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Changed(Property::Caption);
}

const Font& Control::EffectiveFont() const {
  const Control* control = this;
  while (control->font_.name.empty() && control->parent_ != nullptr) control = control->parent_;
  return control->font_;
}

void Control::Realize() {
  Control* root = this;
  while (root->parent_ != nullptr) root = root->parent_;
  root->RealizeTree();
}

void Control::RealizeTree() {
  if (!realized_) {
    realized_ = true;
    ArrangeChildren(*this);
    peer_ = MakePeer();
  }
  for (Control* child : children_) child->RealizeTree();
}

void Control::DropPeers() {
  for (Control* child : children_) child->DropPeers();
  peer_.reset();
}

std::unique_ptr<ControlPeer> Control::MakePeer() { return Application::Instance().GetPlatform().CreatePeer(*this); }

void Control::Changed(Property property) {
  if (peer_) peer_->Changed(property);
  if (observer_) observer_(*this, property);
}

}  // namespace toolkit
