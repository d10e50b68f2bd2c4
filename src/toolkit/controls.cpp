// The plain controls.
#include "toolkit/controls.h"

#include <new>
#include <stdexcept>

#include "base/exception.h"

namespace toolkit {

void Label::FitText(int width, int height) {
  if (!autoSize) return;
  const Bounds& b = GetBounds();
  Place({b.left, b.top, width, height});
}

void ProgressBar::SetMin(std::int32_t value) {
  if (min_ == value) return;
  min_ = value;
  Changed(Property::Range);
}

void ProgressBar::SetMax(std::int32_t value) {
  if (max_ == value) return;
  max_ = value;
  Changed(Property::Range);
}

void ProgressBar::SetPosition(std::int32_t value) {
  if (position_ == value) return;
  position_ = value;
  Changed(Property::Position);
}

void Memo::SetText(std::u16string_view text) {
  // The edit control takes NUL-terminated text: whatever follows a NUL is lost.
  text = text.substr(0, text.find(u'\0'));
  try {
    std::u16string normalised;
    normalised.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      if (c == u'\r') {
        normalised += u"\r\n";
        if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      } else if (c == u'\n') {
        normalised += u"\r\n";
      } else {
        normalised.push_back(c);
      }
      if (normalised.size() > capacity) throw std::length_error("memo");
    }
    text_ = std::move(normalised);
  } catch (const std::exception&) {
    throw base::EInvalidOperation(u"Text exceeds memo capacity");
  }
  Changed(Property::Text);
}

void Memo::Clear() {
  text_.clear();
  Changed(Property::Text);
}

}  // namespace toolkit
