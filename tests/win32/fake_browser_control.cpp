// The fake web-browser control.
#include "fake_browser_control.h"

#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>

#include <memory>

#include "toolkit/win32/browser_factory.h"

namespace win32_testing {
namespace {

int liveObjects = 0;
FakeBrowserOptions options;
std::vector<FakeBrowserLog> logs;

// The document: its source through IPersistStreamInit.
class FakeDocument : public IDispatch, public IPersistStreamInit {
 public:
  FakeDocument(std::string source, bool canSave) : source_(std::move(source)), canSave_(canSave) { ++liveObjects; }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
    } else if (canSave_ && (iid == IID_IPersistStreamInit || iid == IID_IPersist)) {
      *out = static_cast<IPersistStreamInit*>(this);
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
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
  STDMETHODIMP IsDirty() override { return S_FALSE; }
  STDMETHODIMP Load(LPSTREAM) override { return E_NOTIMPL; }
  STDMETHODIMP Save(LPSTREAM stream, BOOL) override {
    ULONG written = 0;
    return stream->Write(source_.data(), static_cast<ULONG>(source_.size()), &written);
  }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  STDMETHODIMP InitNew() override { return S_OK; }

 private:
  virtual ~FakeDocument() { --liveObjects; }
  ULONG references_ = 1;
  std::string source_;
  bool canSave_;
};

class FakeControl : public IOleObject, public IWebBrowser2, public IConnectionPointContainer, public IConnectionPoint {
 public:
  explicit FakeControl(std::size_t index) : index_(index) { ++liveObjects; }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleObject) {
      *out = static_cast<IOleObject*>(this);
    } else if (iid == IID_IDispatch || iid == IID_IWebBrowser || iid == IID_IWebBrowserApp ||
               iid == IID_IWebBrowser2) {
      *out = static_cast<IWebBrowser2*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
      *out = static_cast<IConnectionPointContainer*>(this);
    } else if (iid == IID_IConnectionPoint) {
      *out = static_cast<IConnectionPoint*>(this);
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

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override {
    if (site_ != nullptr) site_->Release();
    site_ = site;
    if (site_ != nullptr) site_->AddRef();
    return S_OK;
  }
  STDMETHODIMP GetClientSite(IOleClientSite** site) override {
    *site = site_;
    if (site_ != nullptr) site_->AddRef();
    return S_OK;
  }
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP Close(DWORD) override {
    DropWindow();
    return S_OK;
  }
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT rect) override {
    if (verb != OLEIVERB_INPLACEACTIVATE || parent == nullptr) return E_NOTIMPL;
    Log().inPlaceActive = true;
    Log().parent = parent;
    window_ = CreateWindowExW(0, WindowClass(), L"", WS_CHILD | WS_VISIBLE, rect->left, rect->top,
                              rect->right - rect->left, rect->bottom - rect->top, parent, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    Log().window = window_;
    return S_OK;
  }
  STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID*) override { return E_NOTIMPL; }
  STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
  STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return S_OK; }
  STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
  STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
  STDMETHODIMP GetMiscStatus(DWORD, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IWebBrowser2: what the host uses
  STDMETHODIMP Navigate(BSTR url, VARIANT* flags, VARIANT* frame, VARIANT* post, VARIANT* headers) override {
    const std::u16string address(reinterpret_cast<const char16_t*>(url), SysStringLen(url));
    Log().navigations.push_back(address);
    // Nothing but the address is passed.
    for (VARIANT* v : {flags, frame, post, headers}) {
      if (v != nullptr && v->vt != VT_EMPTY) return E_INVALIDARG;
    }
    if (FAILED(options.navigateStatus)) return options.navigateStatus;
    if (options.pages && window_ != nullptr) {
      // A page takes a while to load and render: it completes from a timer
      // of the control's window, once the loop has gone idle.
      pending_.push_back(address);
      SetTimer(window_, ++timers_, 150, nullptr);
    }
    return S_OK;
  }
  STDMETHODIMP get_Document(IDispatch** document) override {
    *document = document_;
    if (document_ != nullptr) document_->AddRef();
    return S_OK;
  }
  STDMETHODIMP get_Visible(VARIANT_BOOL* visible) override {
    *visible = visible_;
    return S_OK;
  }
  STDMETHODIMP put_Visible(VARIANT_BOOL visible) override {
    visible_ = visible;
    return S_OK;
  }
  STDMETHODIMP GoBack() override { return E_NOTIMPL; }
  STDMETHODIMP GoForward() override { return E_NOTIMPL; }
  STDMETHODIMP GoHome() override { return E_NOTIMPL; }
  STDMETHODIMP GoSearch() override { return E_NOTIMPL; }
  STDMETHODIMP Refresh() override { return E_NOTIMPL; }
  STDMETHODIMP Refresh2(VARIANT *) override { return E_NOTIMPL; }
  STDMETHODIMP Stop() override { return E_NOTIMPL; }
  STDMETHODIMP get_Application(IDispatch **) override { return E_NOTIMPL; }
  STDMETHODIMP get_Parent(IDispatch **) override { return E_NOTIMPL; }
  STDMETHODIMP get_Container(IDispatch **) override { return E_NOTIMPL; }
  STDMETHODIMP get_TopLevelContainer(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP get_Type(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP get_Left(LONG *) override { return E_NOTIMPL; }
  STDMETHODIMP put_Left(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP get_Top(LONG *) override { return E_NOTIMPL; }
  STDMETHODIMP put_Top(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP get_Width(LONG *) override { return E_NOTIMPL; }
  STDMETHODIMP put_Width(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP get_Height(LONG *) override { return E_NOTIMPL; }
  STDMETHODIMP put_Height(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP get_LocationName(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP get_LocationURL(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP get_Busy(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP Quit() override { return E_NOTIMPL; }
  STDMETHODIMP ClientToWindow(int *, int *) override { return E_NOTIMPL; }
  STDMETHODIMP PutProperty(BSTR, VARIANT) override { return E_NOTIMPL; }
  STDMETHODIMP GetProperty(BSTR, VARIANT *) override { return E_NOTIMPL; }
  STDMETHODIMP get_Name(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP get_HWND(SHANDLE_PTR *) override { return E_NOTIMPL; }
  STDMETHODIMP get_FullName(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP get_Path(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP get_StatusBar(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_StatusBar(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_StatusText(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP put_StatusText(BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP get_ToolBar(int *) override { return E_NOTIMPL; }
  STDMETHODIMP put_ToolBar(int) override { return E_NOTIMPL; }
  STDMETHODIMP get_MenuBar(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_MenuBar(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_FullScreen(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_FullScreen(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP Navigate2(VARIANT *, VARIANT *, VARIANT *, VARIANT *, VARIANT *) override { return E_NOTIMPL; }
  STDMETHODIMP QueryStatusWB(OLECMDID, OLECMDF *) override { return E_NOTIMPL; }
  STDMETHODIMP ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT *, VARIANT *) override { return E_NOTIMPL; }
  STDMETHODIMP ShowBrowserBar(VARIANT *, VARIANT *, VARIANT *) override { return E_NOTIMPL; }
  STDMETHODIMP get_ReadyState(READYSTATE *) override { return E_NOTIMPL; }
  STDMETHODIMP get_Offline(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_Offline(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_Silent(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_Silent(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_RegisterAsBrowser(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_RegisterAsBrowser(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_RegisterAsDropTarget(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_RegisterAsDropTarget(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_TheaterMode(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_TheaterMode(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_AddressBar(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_AddressBar(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_Resizable(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_Resizable(VARIANT_BOOL) override { return E_NOTIMPL; }

  // IConnectionPoint (Unadvise serves IOleObject's too: no advise sinks are taken there)Container
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
    *point = nullptr;
    if (iid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
    *point = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }

  // IConnectionPoint (Unadvise serves IOleObject's too: no advise sinks are taken there)
  STDMETHODIMP GetConnectionInterface(IID* iid) override {
    *iid = DIID_DWebBrowserEvents2;
    return S_OK;
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override {
    *container = static_cast<IConnectionPointContainer*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    if (sink_ != nullptr) return CONNECT_E_ADVISELIMIT;
    if (FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink_)))) return CONNECT_E_CANNOTCONNECT;
    *cookie = 1;
    return S_OK;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    if (cookie != 1 || sink_ == nullptr) return CONNECT_E_NOCONNECTION;
    sink_->Release();
    sink_ = nullptr;
    return S_OK;
  }
  STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

 private:
  virtual ~FakeControl() {
    DropWindow();
    if (document_ != nullptr) document_->Release();
    if (sink_ != nullptr) sink_->Release();
    if (site_ != nullptr) site_->Release();
    --liveObjects;
  }

  FakeBrowserLog& Log() { return logs[index_]; }

  void DropWindow() {
    if (window_ != nullptr) {
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      DestroyWindow(window_);
      window_ = nullptr;
    }
  }

  // The next pending navigation loads and completes.
  void Complete() {
    if (pending_.empty()) return;
    const std::u16string url = pending_.front();
    pending_.erase(pending_.begin());
    const std::optional<std::string> source = options.pages(url);
    if (!source) return;
    if (document_ != nullptr) document_->Release();
    document_ = new FakeDocument(*source, options.documentCanSave);
    InvalidateRect(window_, nullptr, TRUE);
    if (sink_ == nullptr) return;
    AddRef();  // the host may let go of the control inside the handler
    VARIANT args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    VARIANT address;
    VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(url.data()), static_cast<UINT>(url.size()));
    args[0].vt = VT_BYREF | VT_VARIANT;
    args[0].pvarVal = &address;
    args[1].vt = VT_DISPATCH;
    args[1].pdispVal = document_;
    DISPPARAMS parameters{args, nullptr, 2, 0};
    sink_->Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr,
                  nullptr, nullptr);
    VariantClear(&address);
    Release();
  }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<FakeControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_TIMER && self != nullptr) {
      KillTimer(window, wParam);
      self->Complete();
      return 0;
    }
    if (message == WM_PAINT) {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      if (self != nullptr && self->document_ != nullptr) {
        DrawTextW(dc, L"(page loaded by the test browser)", -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      }
      EndPaint(window, &paint);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  static const wchar_t* WindowClass() {
    static const ATOM atom = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = &Procedure;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"PackstubFakeBrowser";
      return RegisterClassW(&wc);
    }();
    (void)atom;
    return L"PackstubFakeBrowser";
  }

  ULONG references_ = 1;
  std::size_t index_;
  IOleClientSite* site_ = nullptr;
  IDispatch* sink_ = nullptr;
  FakeDocument* document_ = nullptr;
  HWND window_ = nullptr;
  VARIANT_BOOL visible_ = VARIANT_TRUE;
  std::vector<std::u16string> pending_;
  UINT_PTR timers_ = 0;
};

}  // namespace

void InstallFakeBrowser(FakeBrowserOptions fakeOptions) {
  options = std::move(fakeOptions);
  logs.clear();
  toolkit::win32::SetBrowserControlFactory([](IUnknown** control) {
    logs.emplace_back();
    *control = static_cast<IOleObject*>(new FakeControl(logs.size() - 1));
    return S_OK;
  });
}

void UninstallFakeBrowser() { toolkit::win32::SetBrowserControlFactory({}); }

const std::vector<FakeBrowserLog>& FakeBrowserLogs() { return logs; }

int LiveFakeObjects() { return liveObjects; }

}  // namespace win32_testing
