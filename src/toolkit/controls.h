// The plain controls the program's windows are built from.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/control.h"

namespace toolkit {

enum class TextAlignment { Left, Center, Right };

class Panel : public Control {
 public:
  using Control::Control;
  bool bevel = false;
  // Paints its own background instead of taking the parent's.
  bool ownBackground = false;
};

class Label : public Control {
 public:
  using Control::Control;
  bool autoSize = true;  // the label takes the size of its text
  TextAlignment alignment = TextAlignment::Left;
  // The peer's measure of the caption in the label's font (96-DPI pixels):
  // a label that sizes itself takes it, keeping its top-left corner.
  void FitText(int width, int height);
};

// A horizontal bar; minimum, maximum and position are 32-bit as on Windows.
class ProgressBar : public Control {
 public:
  using Control::Control;
  std::int32_t Min() const { return min_; }
  std::int32_t Max() const { return max_; }
  std::int32_t Position() const { return position_; }
  void SetMin(std::int32_t value);
  void SetMax(std::int32_t value);
  void SetPosition(std::int32_t value);

 private:
  std::int32_t min_ = 0;
  std::int32_t max_ = 100;
  std::int32_t position_ = 0;
};

// A multi-line text control. Line breaks in its text are CR LF.
class Memo : public Control {
 public:
  using Control::Control;
  const std::u16string& Text() const { return text_; }
  // Ends the text at its first NUL and normalises line breaks to CR LF. EInvalidOperation "Text exceeds memo
  // capacity" when the text is longer than the capacity or cannot be held.
  void SetText(std::u16string_view text);
  void Clear();
  std::size_t capacity = 0x7FFFFFFE;  // in UTF-16 code units

 private:
  std::u16string text_;
};

class Image : public Control {
 public:
  using Control::Control;
  std::string picture;  // the picture file's bytes (GIF)
  bool transparent = false;
};

}  // namespace toolkit
