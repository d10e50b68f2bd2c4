// A browser's window: the system's web-browser control hosted in place,
// with a client site, an in-place site and frame, and a DWebBrowserEvents2
// sink through the control's connection point.
//
// The site object lives as long as the control holds references to it; the
// peer detaches it on its way out so that a late call finds nobody.
#include <windows.h>

#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>
#include <ole2.h>

#include "base/exception.h"
#include "sys/file.h"
#include "toolkit/application.h"
#include "toolkit/win32/browser_factory.h"
#include "toolkit/win32/com_ptr.h"
#include "toolkit/win32/common.h"
#include "toolkit/win32/peers.h"

namespace toolkit::win32 {
namespace {

BrowserControlFactory& Factory() {
  static BrowserControlFactory factory;
  return factory;
}

HRESULT MakeControl(IUnknown** control) {
  if (Factory()) return Factory()(control);
  return CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                          reinterpret_cast<void**>(control));
}

// A BSTR, freed with its holder.
class Bstr {
 public:
  explicit Bstr(const std::u16string& text)
      : text_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR Get() const { return text_; }

 private:
  BSTR text_;
};

[[noreturn]] void RaiseStatus(HRESULT status) {
  throw base::EOSError(sys::ErrorText(static_cast<sys::ErrorCode>(status)));
}

// The document or frame a notification names, as the handler's sender.
class DispatchObject : public Object {
 public:
  explicit DispatchObject(IDispatch* dispatch) : dispatch_(dispatch) {
    if (dispatch != nullptr) dispatch->AddRef();
  }
  ~DispatchObject() override {
    if (dispatch_ != nullptr) dispatch_->Release();
  }

 private:
  IDispatch* dispatch_;
};

class HtmlDocument : public Document {
 public:
  explicit HtmlDocument(ComPtr<IDispatch> document) : document_(std::move(document)) {}

  bool CanSave() const override { return static_cast<bool>(Persist()); }

  void Save(base::TStream& stream) override {
    ComPtr<IPersistStreamInit> persist = Persist();
    if (!persist) throw base::EIntfCastError(u"Interface not supported");
    ComPtr<IStream> memory;
    const HRESULT created = CreateStreamOnHGlobal(nullptr, TRUE, memory.Out());
    if (FAILED(created)) RaiseStatus(created);
    persist->Save(memory.Get(), TRUE);  // what it wrote counts, whatever it says
    ULARGE_INTEGER end{};
    memory->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end);
    HGLOBAL global = nullptr;
    if (end.QuadPart == 0 || FAILED(GetHGlobalFromStream(memory.Get(), &global))) return;
    const void* bytes = GlobalLock(global);
    if (bytes == nullptr) return;
    try {
      stream.WriteBuffer(bytes, static_cast<std::size_t>(end.QuadPart));
    } catch (...) {
      GlobalUnlock(global);
      throw;
    }
    GlobalUnlock(global);
  }

  bool Is(IDispatch* other) const {
    ComPtr<IUnknown> a = document_.As<IUnknown>(IID_IUnknown);
    ComPtr<IUnknown> b;
    if (other != nullptr) other->QueryInterface(IID_IUnknown, b.OutVoid());
    return a.Get() == b.Get();
  }

 private:
  ComPtr<IPersistStreamInit> Persist() const { return document_.As<IPersistStreamInit>(IID_IPersistStreamInit); }
  ComPtr<IDispatch> document_;
};

class BrowserHost;

// The control's view of its container.
class Site : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame, public IDispatch {
 public:
  explicit Site(BrowserHost* host) : host_(host) {}
  void Detach() { host_ = nullptr; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
      *out = static_cast<IOleInPlaceSite*>(this);
    } else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow) {
      *out = static_cast<IOleInPlaceFrame*>(this);
    } else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) {
      *out = static_cast<IDispatch*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (both sites)
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow, IOleInPlaceFrame
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDispatch: the DWebBrowserEvents2 sink
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                      UINT*) override;

 private:
  virtual ~Site() = default;
  ULONG references_ = 1;
  BrowserHost* host_;
};

class BrowserHost : public BrowserPeer, public NativeWindow {
 public:
  explicit BrowserHost(WebBrowser& browser) : browser_(browser), site_(new Site(this)) {
    HWND parent = WindowOf(browser.Parent());
    const UINT dpi = DpiOf(parent);
    CreateNative(ToolkitClass(), WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (browser.Visible() ? WS_VISIBLE : 0),
                 0, parent, ScaledBounds(browser, dpi), L"");
    SetWindowPos(Window(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Embed();
  }

  ~BrowserHost() override {
    if (cookie_ != 0 && connection_) connection_->Unadvise(cookie_);
    connection_.Reset();
    if (inPlace_) inPlace_->InPlaceDeactivate();
    inPlace_.Reset();
    if (object_) {
      object_->Close(OLECLOSE_NOSAVE);
      object_->SetClientSite(nullptr);
    }
    document_.reset();
    web_.Reset();
    object_.Reset();
    site_->Detach();
    site_->Release();
  }

  void Navigate(const std::u16string& url) override {
    if (!web_) RaiseStatus(status_);
    const Bstr address(url);
    VARIANT empty;
    VariantInit(&empty);
    const HRESULT status = web_->Navigate(address.Get(), &empty, &empty, &empty, &empty);
    if (FAILED(status)) RaiseStatus(status);
  }

  Document* TopDocument() override {
    if (!web_) return nullptr;
    ComPtr<IDispatch> document;
    if (FAILED(web_->get_Document(document.Out())) || !document) {
      document_.reset();
      return nullptr;
    }
    if (!document_ || !document_->Is(document.Get())) document_ = std::make_unique<HtmlDocument>(document);
    return document_.get();
  }

  void Changed(Property property) override {
    switch (property) {
      case Property::Visible:
        ShowWindow(Window(), browser_.Visible() ? SW_SHOWNA : SW_HIDE);
        break;
      case Property::Bounds:
        Reposition();
        break;
      case Property::ZOrder:
        SetWindowPos(Window(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        break;
      default:
        break;
    }
  }

  void DpiChanged(UINT dpi) override { Reposition(dpi); }

  void FillContext(RECT* position, RECT* clip) {
    GetClientRect(Window(), position);
    *clip = *position;
  }

  // A notification from the control.
  void DocumentComplete(IDispatch* document, const std::u16string& url) {
    DispatchObject sender(document);
    browser_.NotifyDocumentComplete(&sender, url);
  }

 private:
  void Embed() {
    ComPtr<IUnknown> control;
    status_ = MakeControl(control.Out());
    if (FAILED(status_) || !control) return;
    object_ = control.As<IOleObject>(IID_IOleObject);
    web_ = control.As<IWebBrowser2>(IID_IWebBrowser2);
    if (!object_ || !web_) {
      status_ = E_NOINTERFACE;
      web_.Reset();
      return;
    }
    object_->SetClientSite(site_);
    RECT rect{};
    GetClientRect(Window(), &rect);
    object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, Window(), &rect);
    inPlace_ = control.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    if (auto container = control.As<IConnectionPointContainer>(IID_IConnectionPointContainer)) {
      if (SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, connection_.Out()))) {
        if (FAILED(connection_->Advise(static_cast<IDispatch*>(site_), &cookie_))) cookie_ = 0;
      }
    }
  }

  void Reposition() { Reposition(DpiOf(Window())); }
  void Reposition(UINT dpi) {
    const RECT r = ScaledBounds(browser_, dpi);
    SetWindowPos(Window(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (inPlace_) {
      RECT client{};
      GetClientRect(Window(), &client);
      inPlace_->SetObjectRects(&client, &client);
    }
  }

  WebBrowser& browser_;
  Site* site_;
  HRESULT status_ = S_OK;
  ComPtr<IOleObject> object_;
  ComPtr<IWebBrowser2> web_;
  ComPtr<IOleInPlaceObject> inPlace_;
  ComPtr<IConnectionPoint> connection_;
  DWORD cookie_ = 0;
  std::unique_ptr<HtmlDocument> document_;
};

STDMETHODIMP Site::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = host_ != nullptr ? host_->Window() : nullptr;
  return host_ != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP Site::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                    LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (host_ == nullptr) return E_FAIL;
  *frame = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  *document = nullptr;
  host_->FillContext(position, clip);
  info->fMDIApp = FALSE;
  info->hwndFrame = GetAncestor(host_->Window(), GA_ROOT);
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

STDMETHODIMP Site::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*, UINT*) {
  if (member != DISPID_DOCUMENTCOMPLETE || host_ == nullptr || parameters == nullptr || parameters->cArgs < 2) {
    return S_OK;
  }
  // Arguments come last first: the address, then the document.
  const VARIANT* url = &parameters->rgvarg[0];
  if (url->vt == (VT_BYREF | VT_VARIANT) && url->pvarVal != nullptr) url = url->pvarVal;
  const VARIANT& document = parameters->rgvarg[1];
  IDispatch* disp = document.vt == VT_DISPATCH ? document.pdispVal : nullptr;
  try {
    std::u16string address;
    if (url->vt == VT_BSTR && url->bstrVal != nullptr) {
      address.assign(reinterpret_cast<const char16_t*>(url->bstrVal), SysStringLen(url->bstrVal));
    }
    host_->DocumentComplete(disp, address);
  } catch (...) {
    Application::Instance().HandleException(std::current_exception());
  }
  return S_OK;
}

}  // namespace

void SetBrowserControlFactory(BrowserControlFactory factory) { Factory() = std::move(factory); }

std::unique_ptr<BrowserPeer> MakeBrowserPeer(WebBrowser& browser) { return std::make_unique<BrowserHost>(browser); }

}  // namespace toolkit::win32
