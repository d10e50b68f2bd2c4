// The properties every control and form holds, independent of any screen.
//
// A control keeps its layout (bounds, alignment, visibility, z-order) and
// texts as plain values. A toolkit that draws gives it a native peer when
// its form is realised and forwards every change to it; the console edition
// listens through the observer. Positions are pixels at 96 dots per inch,
// relative to the parent.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
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

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

// Where a control was put by its designer (SetBounds), and the size its
// parent had then: the reference of the unanchored centring rule.
struct Placement {
  Bounds bounds;
  Size parent;
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

// The native half of a control: what a toolkit that draws makes for each
// form and control.
//
// The control holds every property and every rule; its peer only reflects
// them on the screen and reports the user's input back through the control
// (Form::Close, WebBrowser::NotifyDocumentComplete, Label::FitText). A peer
// is made when its form is realised (first shown, or when a browser first
// needs its native control), parents before children, and lives until its
// control is destroyed; children's peers go first.
//
// Contract for implementers: positions and sizes reach the peer as the
// control's layout values, pixels at 96 dots per inch relative to the
// parent; the peer scales them to the screen. A peer never calls into its
// control from its destructor, and never lets an exception out of a native
// callback: failures of handlers go to Application::HandleException there.
class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  // The control announced a change of this property.
  virtual void Changed(Property property) = 0;
};

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
  // The designer's placement; it is also the reference for the centring rule.
  void SetBounds(const Bounds& bounds);
  // The layout's placement: moves the control without changing its design.
  void Place(const Bounds& bounds);
  const Placement& DesignedPlacement() const { return designed_; }
  // The area children are placed in: the control's own size (a form's is
  // its client area).
  virtual Size ClientSize() const { return {bounds_.width, bounds_.height}; }
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
  // The font the control is drawn with: its own, else its parent's.
  const Font& EffectiveFont() const;

  // One observer per control, beside its peer: the console edition's view.
  void SetObserver(Observer observer) { observer_ = std::move(observer); }

  // Makes the native peers of this control's whole window (its top-level
  // ancestor and every descendant), parents first, once; lays the children
  // out before their peers exist, so peers begin with their final places.
  void Realize();
  // Null before realising, and always in the headless toolkit.
  ControlPeer* Peer() const { return peer_.get(); }

 protected:
  void Changed(Property property);
  virtual void VisibleChanged() {}
  // The peer the running toolkit makes for this kind of control.
  virtual std::unique_ptr<ControlPeer> MakePeer();

 private:
  void RealizeTree();
  void DropPeers();

  std::u16string name_;
  Control* parent_ = nullptr;
  std::vector<Control*> children_;
  Bounds bounds_;
  Placement designed_;
  Align align_ = Align::None;
  bool visible_ = true;
  std::u16string caption_;
  Color color_ = Color::System(kColorBtnFace);
  Font font_;
  Observer observer_;
  std::unique_ptr<ControlPeer> peer_;
  bool realized_ = false;
};

}  // namespace toolkit
