// A page's source read as the portal window reads a completed document.
#include "page_text.h"

#include "app/link_detection.h"
#include "toolkit/controls.h"

namespace packtool {

PageText ReadPageText(std::string_view source) {
  PageText page;
  page.decoded = app::DecodePageSource(source);
  // The same text control the window holds the page in.
  toolkit::Memo memo(u"Memo1");
  memo.SetText(page.decoded);
  page.held = memo.Text();
  page.text = app::TrimBlanks(page.held);
  return page;
}

}  // namespace packtool
