// Alignment, the unanchored centring rule and form placement.
#include "toolkit/layout.h"

#include <algorithm>
#include <cmath>

namespace toolkit {
namespace {

// The centre of a designed coordinate moved to a parent of another size:
// scaled with the parent, rounded as the toolkit rounds (half away from 0).
int MovedStart(int designedStart, int length, int designedParent, int parent) {
  if (designedParent <= 0 || designedParent == parent) return designedStart;
  const double centre = designedStart + length / 2.0;
  const double moved = centre * parent / designedParent;
  return static_cast<int>(std::lround(moved - length / 2.0));
}

}  // namespace

void ArrangeChildren(Control& parent) {
  const Size client = parent.ClientSize();
  int left = 0;
  int top = 0;
  int right = client.width;
  int bottom = client.height;
  for (Align pass : {Align::Top, Align::Bottom, Align::Left, Align::Right, Align::Client, Align::None}) {
    for (Control* child : parent.Children()) {
      if (!child->Visible() || child->GetAlign() != pass) continue;
      Bounds b = child->GetBounds();
      switch (pass) {
        case Align::Top:
          b = {left, top, right - left, b.height};
          top += b.height;
          break;
        case Align::Bottom:
          b = {left, bottom - b.height, right - left, b.height};
          bottom -= b.height;
          break;
        case Align::Left:
          b = {left, top, b.width, bottom - top};
          left += b.width;
          break;
        case Align::Right:
          b = {right - b.width, top, b.width, bottom - top};
          right -= b.width;
          break;
        case Align::Client:
          b = {left, top, std::max(0, right - left), std::max(0, bottom - top)};
          break;
        case Align::None: {
          const Placement& design = child->DesignedPlacement();
          b.left = MovedStart(design.bounds.left, b.width, design.parent.width, client.width);
          b.top = MovedStart(design.bounds.top, b.height, design.parent.height, client.height);
          break;
        }
      }
      child->Place(b);
    }
  }
}

Bounds CenteredInWorkArea(const Bounds& workArea, int width, int height) {
  const int left = workArea.left + std::max(0, (workArea.width - width) / 2);
  const int top = workArea.top + std::max(0, (workArea.height - height) / 2);
  return {left, top, width, height};
}

}  // namespace toolkit
