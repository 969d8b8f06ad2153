#include "host/zrq-page/PageScreenshot.h"

#include "host/EffectPropertyPage.h"
#include "host/StatusCode.h"

#include <ocidl.h>
#include <winuser.h>
#include <zrqui.h>

#include <cstring>
#include <vector>

namespace {

// A plain top-level window to hold the page, as a host's settings frame does.
class FrameWindow {
public:
  FrameWindow(LONG width, LONG height) {
    static const ATOM registered = [] {
      WNDCLASSEXW frameClass = {};
      frameClass.cbSize = sizeof frameClass;
      frameClass.lpfnWndProc = DefWindowProcW;
      frameClass.lpszClassName = u"ZrqPageFrame";
      return RegisterClassExW(&frameClass);
    }();
    if (registered)
      window = CreateWindowExW(0, u"ZrqPageFrame", u"zrq-page", WS_POPUP | WS_VISIBLE, 0, 0, width,
                               height, nullptr, nullptr, nullptr, nullptr);
  }
  ~FrameWindow() {
    if (window) DestroyWindow(window);
  }
  FrameWindow(const FrameWindow &) = delete;
  FrameWindow &operator=(const FrameWindow &) = delete;

  HWND window = nullptr;
};

Error Failed(const std::string &what, HRESULT hr) {
  return Error{what + " (" + StatusCode(hr) + ")"};
}

// The window's picture in a top-down surface, turned into a bottom-up frame.
Result<Frame> Picture(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  Result<Frame> frame = Frame::Allocate({int(rect.right - rect.left), int(rect.bottom - rect.top)});
  ZRQ_RETURN_IF_FAILED(frame);
  Frame &picture = frame.value();
  std::vector<BYTE> surfaceBits(picture.ByteCount());
  const ZRQUISURFACE surface = {surfaceBits.data(), picture.Width(), picture.Height(),
                                picture.Stride()};
  const HRESULT hr = ZrqUiRenderWindow(window, &surface);
  if (FAILED(hr)) return Failed("the window layer could not draw the page", hr);
  for (int y = 0; y < picture.Height(); ++y)
    std::memcpy(picture.Data() + picture.RowBytes() * size_t(picture.Height() - 1 - y),
                surfaceBits.data() + picture.RowBytes() * size_t(y), picture.RowBytes());
  return frame;
}

} // namespace

Result<Frame> PageScreenshot(const EffectModule &module, IUnknown *effect) {
  Result<CComPtr<IPropertyPage>> made = CreateEffectPropertyPage(module, effect);
  ZRQ_RETURN_IF_FAILED(made);
  CComPtr<IPropertyPage> page = made.value();

  PROPPAGEINFO info = {};
  HRESULT hr = page->GetPageInfo(&info);
  if (FAILED(hr)) return Failed("the property page does not say its size", hr);
  CoTaskMemFree(info.pszTitle);
  CoTaskMemFree(info.pszDocString);
  CoTaskMemFree(info.pszHelpFile);

  FrameWindow frame(info.size.cx, info.size.cy);
  if (!frame.window) return Error{"cannot make a window to hold the property page"};
  IUnknown *objects[] = {effect};
  hr = page->SetObjects(1, objects);
  const RECT rect = {0, 0, info.size.cx, info.size.cy};
  if (SUCCEEDED(hr)) hr = page->Activate(frame.window, &rect, FALSE);
  if (SUCCEEDED(hr)) hr = page->Show(SW_SHOWNORMAL);
  if (FAILED(hr)) return Failed("the property page did not open", hr);
  Result<Frame> picture = Picture(frame.window);
  page->Deactivate();
  page->SetObjects(0, objects);
  return picture;
}
