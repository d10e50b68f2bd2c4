// An owning reference to a COM object: released when the holder goes.
#pragma once

#include <unknwn.h>

#include <utility>

namespace toolkit::win32 {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr& other) : p_(other.p_) {
    if (p_ != nullptr) p_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  // Takes over a reference the caller already holds.
  static ComPtr Adopt(T* p) {
    ComPtr result;
    result.p_ = p;
    return result;
  }

  void Reset() {
    if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
  }
  // For out-parameters: releases what is held and gives the slot.
  T** Out() {
    Reset();
    return &p_;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  template <class U>
  ComPtr<U> As(REFIID iid) const {
    ComPtr<U> result;
    if (p_ != nullptr) p_->QueryInterface(iid, result.OutVoid());
    return result;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace toolkit::win32
