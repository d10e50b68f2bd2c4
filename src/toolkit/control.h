// The properties every control and form holds, independent of any screen.
//
// A control keeps its layout (bounds, alignment, visibility, z-order) and
// texts as plain values; a toolkit that draws reads them and listens for
// changes through the observer. Positions are pixels at 96 dots per inch,
// relative to the parent.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/object.h"

namespace toolkit {

struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Bounds&) const = default;
};

enum class Align { None, Top, Bottom, Left, Right, Client };

// Colours are either a system colour (by its Windows index) or RGB.
struct Color {
  static Color System(int index) { return {true, static_cast<std::uint32_t>(index)}; }
  static Color Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return {false, static_cast<std::uint32_t>(r | (g << 8) | (b << 16))};
  }
  bool isSystem = false;
  std::uint32_t value = 0;  // system colour index, or 0x00BBGGRR
  bool operator==(const Color&) const = default;
};

inline constexpr int kColorWindowText = 8;
inline constexpr int kColorBtnFace = 15;
inline constexpr int kColorGradientActiveCaption = 27;

struct Font {
  std::u16string name;
  int height = 0;  // character height in pixels
  Color color = Color::System(kColorWindowText);
  bool operator==(const Font&) const = default;
};

enum class Property { Visible, Caption, Bounds, ZOrder, Position, Range, Text };

class Control : public Object {
 public:
  using Observer = std::function<void(Control&, Property)>;

  explicit Control(std::u16string name) : name_(std::move(name)) {}
  ~Control() override;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::u16string& Name() const { return name_; }

  Control* Parent() const { return parent_; }
  void SetParent(Control* parent);
  // The parent's children in z-order: the last one is in front.
  const std::vector<Control*>& Children() const { return children_; }
  void BringToFront();

  const Bounds& GetBounds() const { return bounds_; }
  void SetBounds(const Bounds& bounds);
  Align GetAlign() const { return align_; }
  void SetAlign(Align align) { align_ = align; }

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  const std::u16string& Caption() const { return caption_; }
  void SetCaption(std::u16string caption);

  const Color& GetColor() const { return color_; }
  void SetColor(const Color& color) { color_ = color; }
  const Font& GetFont() const { return font_; }
  void SetFont(const Font& font) { font_ = font; }

  // One observer per control: the toolkit that draws it, or the console.
  void SetObserver(Observer observer) { observer_ = std::move(observer); }

 protected:
  void Changed(Property property);
  virtual void VisibleChanged() {}

 private:
  std::u16string name_;
  Control* parent_ = nullptr;
  std::vector<Control*> children_;
  Bounds bounds_;
  Align align_ = Align::None;
  bool visible_ = true;
  std::u16string caption_;
  Color color_ = Color::System(kColorBtnFace);
  Font font_;
  Observer observer_;
};

}  // namespace toolkit
