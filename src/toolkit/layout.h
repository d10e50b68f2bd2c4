// The toolkit's own placement rules, shared by every toolkit: alignment of
// children within their parent, the unanchored centring rule, and the
// placement of a form in its monitor's work area. Values are pixels at 96
// dots per inch.
#pragma once

#include "toolkit/control.h"

namespace toolkit {

// Places parent's visible children within parent's client area: children
// aligned Top, Bottom, Left and Right take their strip in z-order (the
// first child first), a Client child fills what is left; children without
// alignment keep their centre at the same relative position within the
// parent as in their designed placement.
void ArrangeChildren(Control& parent);

// Where a window of this outer size goes: the centre of the work area,
// never beyond the work area's top-left corner.
Bounds CenteredInWorkArea(const Bounds& workArea, int width, int height);

}  // namespace toolkit
