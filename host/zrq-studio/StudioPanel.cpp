#include "host/zrq-studio/StudioPanel.h"

#include "host/EffectPropertyPage.h"
#include "host/StatusCode.h"
#include "host/zrq-studio/PageSite.h"

#include <zrqtext.h>

#include <algorithm>
#include <vector>

namespace {

constexpr const char16_t *kRootClass = u"ZrqStudioFrame";
constexpr int kButtonWidth = 76;
constexpr int kGap = 6;

Status Failed(const std::string &what, HRESULT hr) {
  return Status::Fail(what + " (" + StatusCode(hr) + ")");
}

std::u16string Wide(const std::string &text) {
  std::u16string wide;
  if (!ZrqUtf8ToWide(text, &wide)) wide = u"?";
  return wide;
}

std::string TextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::u16string wide(size_t(std::max(length, 0)) + 1, u'\0');
  const int got = GetWindowTextW(window, wide.data(), int(wide.size()));
  wide.resize(size_t(std::max(got, 0)));
  std::string text;
  if (!ZrqWideToUtf8(wide, &text)) text.clear();
  return text;
}

} // namespace

Result<std::unique_ptr<StudioPanel>>
StudioPanel::Create(int width, int height, const EffectModule &module, IUnknown *effect,
                    std::function<void(StudioCommand)> onCommand) {
  static const ATOM registered = [] {
    WNDCLASSEXW rootClass = {};
    rootClass.cbSize = sizeof rootClass;
    rootClass.lpfnWndProc = WindowProc;
    rootClass.lpszClassName = kRootClass;
    return RegisterClassExW(&rootClass);
  }();
  if (!registered) return Error{"cannot register the studio's window class"};
  Result<CComPtr<IPropertyPage>> page = CreateEffectPropertyPage(module, effect);
  if (!page.ok()) return Error{page.message()};
  PROPPAGEINFO info = {};
  HRESULT hr = page.value()->GetPageInfo(&info);
  if (FAILED(hr)) return Error{Failed("the property page does not say its size", hr).message()};
  CoTaskMemFree(info.pszTitle);
  CoTaskMemFree(info.pszDocString);
  CoTaskMemFree(info.pszHelpFile);
  const StudioLayout layout = LayOutStudio(width, height, info.size);
  HWND root =
      CreateWindowExW(0, kRootClass, u"zrq-studio", WS_POPUP | WS_VISIBLE, 0, 0,
                      std::max(width, kMinimumStudioWidth), std::max(height, kMinimumStudioHeight),
                      nullptr, nullptr, nullptr, nullptr);
  if (!root) return Error{"cannot make the studio's window"};
  std::unique_ptr<StudioPanel> panel(
      new StudioPanel(root, std::move(page.value()), layout, std::move(onCommand)));
  SetWindowLongPtrW(root, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(panel.get()));
  hr = PageSite::Create(
      [raw = panel.get()](DWORD flags) {
        if (flags & PROPPAGESTATUS_DIRTY) raw->EnableApply(true);
      },
      &panel->site.p);
  if (SUCCEEDED(hr)) hr = panel->page->SetPageSite(panel->site);
  if (FAILED(hr)) return Error{Failed("the property page refused its site", hr).message()};
  panel->AddControls();
  if (Status activated = panel->Activate(effect); !activated.ok())
    return Error{activated.message()};
  return panel;
}

StudioPanel::StudioPanel(HWND root, CComPtr<IPropertyPage> page, StudioLayout layout,
                         std::function<void(StudioCommand)> onCommand)
    : root(root), page(std::move(page)), layout(layout), onCommand(std::move(onCommand)) {}

StudioPanel::~StudioPanel() {
  page->Deactivate();
  IUnknown *none[] = {nullptr};
  page->SetObjects(0, none);
  page->SetPageSite(nullptr);
  SetWindowLongPtrW(root, GWLP_USERDATA, 0);
  DestroyWindow(root);
}

Status StudioPanel::Activate(IUnknown *effect) {
  IUnknown *objects[] = {effect};
  HRESULT hr = page->SetObjects(1, objects);
  const RECT rect = {layout.page.x, layout.page.y, layout.page.Right(), layout.page.Bottom()};
  if (SUCCEEDED(hr)) hr = page->Activate(root, &rect, FALSE);
  if (SUCCEEDED(hr)) hr = page->Show(SW_SHOWNORMAL);
  if (FAILED(hr)) return Failed("the property page did not open", hr);
  return Status::Ok();
}

Status StudioPanel::ShowEffect(IUnknown *effect) {
  page->Deactivate();
  EnableApply(false);
  return Activate(effect);
}

HWND StudioPanel::AddControl(const char16_t *className, const char16_t *text, DWORD style,
                             PixelRect at, StudioCommand id) {
  HWND made = CreateWindowExW(
      0, className, text, WS_CHILD | WS_VISIBLE | style, at.x, at.y, at.width, at.height, root,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(static_cast<int>(id))), nullptr, nullptr);
  if (made) controls.push_back(made);
  return made;
}

void StudioPanel::AddControls() {
  // The frame's buttons sit at the right, in the order a property frame has them.
  const PixelRect buttons = layout.frameButtons;
  const struct {
    const char16_t *text;
    StudioCommand id;
  } frameButtons[] = {{u"OK", StudioCommand::Ok},
                      {u"Cancel", StudioCommand::Cancel},
                      {u"Apply", StudioCommand::Apply},
                      {u"Help", StudioCommand::Help}};
  int x = buttons.Right() - 4 * kButtonWidth - 3 * kGap;
  for (const auto &button : frameButtons) {
    HWND made = AddControl(u"BUTTON", button.text, WS_TABSTOP | BS_PUSHBUTTON,
                           {x, buttons.y, kButtonWidth, buttons.height}, button.id);
    if (button.id == StudioCommand::Apply) applyButton = made;
    x += kButtonWidth + kGap;
  }
  EnableApply(false);

  const PixelRect file = layout.fileRow;
  AddControl(u"STATIC", u"File:", SS_LEFT, {file.x, file.y + 4, 40, file.height - 4},
             StudioCommand(0));
  fileName = AddControl(u"EDIT", u"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
                        {file.x + 44, file.y, file.width - 44, file.height}, StudioCommand(0));

  const int wide = (layout.commandRow.width - 3 * kGap) / 4;
  const struct {
    const char16_t *text;
    StudioCommand id;
  } commands[] = {{u"Open clip", StudioCommand::OpenClip},
                  {u"Open project", StudioCommand::OpenProject},
                  {u"Save project", StudioCommand::SaveProject},
                  {u"Export", StudioCommand::Export}};
  x = layout.commandRow.x;
  for (const auto &command : commands) {
    AddControl(u"BUTTON", command.text, WS_TABSTOP | BS_PUSHBUTTON,
               {x, layout.commandRow.y, wide, layout.commandRow.height}, command.id);
    x += wide + kGap;
  }

  const PixelRect view = layout.viewRow;
  const int narrow = 78;
  x = view.x;
  const struct {
    const char16_t *text;
    StudioCommand id;
  } paths[] = {{u"Software", StudioCommand::SoftwarePath},
               {u"Device", StudioCommand::DevicePath},
               {u"Split", StudioCommand::SplitView}};
  for (const auto &path : paths) {
    HWND made = AddControl(u"BUTTON", path.text, BS_AUTORADIOBUTTON,
                           {x, view.y, narrow, view.height}, path.id);
    if (path.id == StudioCommand::SoftwarePath) SendMessageW(made, BM_SETCHECK, BST_CHECKED, 0);
    x += narrow + kGap;
  }
  AddControl(u"BUTTON", u"1:1", BS_AUTOCHECKBOX, {x, view.y, 56, view.height},
             StudioCommand::OneToOne);
  x += 56 + kGap;
  playButton = AddControl(u"BUTTON", u"Play", WS_TABSTOP | BS_PUSHBUTTON,
                          {view.Right() - kButtonWidth, view.y, kButtonWidth, view.height},
                          StudioCommand::Play);

  message = AddControl(
      u"STATIC", u"", SS_LEFTNOWORDWRAP,
      {layout.message.x, layout.message.y + 2, layout.message.width, layout.message.height - 2},
      StudioCommand(0));
}

LRESULT CALLBACK StudioPanel::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto *panel = reinterpret_cast<StudioPanel *>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (panel && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) != 0 &&
      panel->onCommand) {
    panel->onCommand(static_cast<StudioCommand>(LOWORD(wParam)));
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void StudioPanel::SetMessage(const std::string &text) {
  SetWindowTextW(message, Wide(text).c_str());
}

std::string StudioPanel::Message() const { return TextOf(message); }
std::string StudioPanel::FileName() const { return TextOf(fileName); }
void StudioPanel::SetFileName(const std::string &text) {
  SetWindowTextW(fileName, Wide(text).c_str());
}

void StudioPanel::EnableApply(bool enabled) { EnableWindow(applyButton, enabled); }

void StudioPanel::SetPageTime(int hundredths) {
  HWND field = nullptr;
  for (HWND child = GetWindow(root, GW_CHILD); child && !field;
       child = GetWindow(child, GW_HWNDNEXT))
    if (std::find(controls.begin(), controls.end(), child) == controls.end())
      field = GetDlgItem(child, kPageTimeFieldId);
  if (field) SetWindowTextW(field, Wide(std::to_string(hundredths)).c_str());
}

void StudioPanel::SetPlaying(bool playing) {
  SetWindowTextW(playButton, playing ? u"Stop" : u"Play");
}

bool StudioPanel::PageHasFocus() const {
  // The page's controls are those under a child of the root that is not one of ours.
  HWND focus = GetFocus();
  while (focus && GetParent(focus) != root) focus = GetParent(focus);
  return focus && std::find(controls.begin(), controls.end(), focus) == controls.end();
}

void StudioPanel::ReleaseFocus() { SetFocus(nullptr); }
