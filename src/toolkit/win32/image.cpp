// An image's window: the first frame of its picture, decoded by the
// system's imaging component (WIC), at natural size in the top-left corner;
// transparent pixels let the parent's background through.
#include <windows.h>

#include <wincodec.h>

#include <cstdint>
#include <vector>

#include "toolkit/win32/com_ptr.h"
#include "toolkit/win32/common.h"
#include "toolkit/win32/peers.h"

namespace toolkit::win32 {
namespace {

// The picture's first frame as premultiplied 32-bit BGRA.
struct Pixels {
  UINT width = 0;
  UINT height = 0;
  std::vector<std::uint8_t> bgra;
};

Pixels Decode(const std::string& picture) {
  Pixels pixels;
  if (picture.empty()) return pixels;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              factory.OutVoid()))) {
    return pixels;
  }
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  auto* bytes = reinterpret_cast<BYTE*>(const_cast<char*>(picture.data()));
  if (FAILED(factory->CreateStream(stream.Out())) ||
      FAILED(stream->InitializeFromMemory(bytes, static_cast<DWORD>(picture.size()))) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.Out())) ||
      FAILED(decoder->GetFrame(0, frame.Out())) || FAILED(factory->CreateFormatConverter(converter.Out())) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(converter->GetSize(&pixels.width, &pixels.height))) {
    return {};
  }
  pixels.bgra.resize(static_cast<std::size_t>(pixels.width) * pixels.height * 4);
  if (FAILED(converter->CopyPixels(nullptr, pixels.width * 4, static_cast<UINT>(pixels.bgra.size()),
                                   pixels.bgra.data()))) {
    return {};
  }
  return pixels;
}

class ImagePeer : public ChildPeer {
 public:
  explicit ImagePeer(Image& image) : ChildPeer(image), image_(image), pixels_(Decode(image.picture)) {
    CreateChild(ToolkitClass(), 0);
  }

 private:
  void Paint(HDC dc) {
    RECT client{};
    GetClientRect(Window(), &client);
    FillBackground(dc, client, image_);
    if (pixels_.bgra.empty()) return;
    // Composite over the background colour: the frame's transparent
    // colour decodes to alpha 0.
    const COLORREF back = ColorRef(BackgroundOf(image_));
    const std::uint8_t backB = GetBValue(back), backG = GetGValue(back), backR = GetRValue(back);
    std::vector<std::uint8_t> out(pixels_.bgra.size());
    for (std::size_t i = 0; i < out.size(); i += 4) {
      const unsigned alpha = image_.transparent ? pixels_.bgra[i + 3] : 255u;
      const unsigned rest = 255u - alpha;
      out[i] = static_cast<std::uint8_t>(pixels_.bgra[i] + backB * rest / 255u);
      out[i + 1] = static_cast<std::uint8_t>(pixels_.bgra[i + 1] + backG * rest / 255u);
      out[i + 2] = static_cast<std::uint8_t>(pixels_.bgra[i + 2] + backR * rest / 255u);
      out[i + 3] = 255;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(pixels_.width);
    info.bmiHeader.biHeight = -static_cast<LONG>(pixels_.height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, pixels_.width, pixels_.height, 0, 0, 0, pixels_.height, out.data(), &info,
                      DIB_RGB_COLORS);
  }

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(Window(), &paint);
        Paint(dc);
        EndPaint(Window(), &paint);
        return 0;
      }
      default:
        return Default(message, wParam, lParam);
    }
  }

  Image& image_;
  Pixels pixels_;
};

}  // namespace

std::unique_ptr<ControlPeer> MakeImagePeer(Image& image) { return std::make_unique<ImagePeer>(image); }

}  // namespace toolkit::win32
