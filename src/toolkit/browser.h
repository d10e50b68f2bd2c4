// The embedded web-browser control, as far as the program uses it:
// navigation, the document-complete notification, the top-level document
// and its source, and visibility.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/stream.h"
#include "toolkit/control.h"

namespace toolkit {

// A loaded document.
class Document : public Object {
 public:
  // False for a document that cannot save its source (not a web page).
  virtual bool CanSave() const = 0;
  // Writes the document's source into stream.
  virtual void Save(base::TStream& stream) = 0;
};

class WebBrowser;

// What a toolkit implements for each browser control: its native control
// (placed and shown as any peer) and the operations the program uses.
class BrowserPeer : public ControlPeer {
 public:
  // Starts loading; returns at once. Raises the control's failure.
  virtual void Navigate(const std::u16string& url) = 0;
  // The top-level document, or null while there is no page.
  virtual Document* TopDocument() = 0;
  void Changed(Property property) override {}
};

class WebBrowser : public Control {
 public:
  using DocumentCompleteHandler =
      std::function<void(Object* sender, Object* pDisp, const std::u16string& url)>;

  explicit WebBrowser(std::u16string name);
  ~WebBrowser() override;

  DocumentCompleteHandler OnDocumentComplete;

  void Navigate(const std::u16string& url);
  Document* GetDocument();

  // Called by the peer when a document (or a frame's) has completed; the
  // handler's failure goes to the general error report.
  void NotifyDocumentComplete(Object* document, const std::u16string& url);

  // The native control; realises the browser's window when it has none yet
  // (a navigation may come before its form is first shown).
  BrowserPeer& NativeBrowser();

 protected:
  std::unique_ptr<ControlPeer> MakePeer() override;
};

}  // namespace toolkit
