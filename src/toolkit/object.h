// The root of everything that sends events: handlers take the sender as an
// Object*, as the forms' handlers do.
#pragma once

namespace toolkit {

class Object {
 public:
  virtual ~Object() = default;
};

}  // namespace toolkit
