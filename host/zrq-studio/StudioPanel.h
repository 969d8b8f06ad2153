// The studio's side of the window layer: one root window as large as the studio's window,
// holding the property page (activated in it as a property frame activates a page), the
// frame's OK, Cancel, Apply and Help buttons, the studio's own controls and the message line.
// The preview and the timeline are drawn by the studio over the parts of the root's picture
// no control covers.
#pragma once

#include "host/EffectModule.h"
#include "host/Status.h"
#include "host/zrq-studio/StudioLayout.h"

#include <atlcomcli.h>
#include <ocidl.h>
#include <winuser.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The page's time field, as the module's dialog template numbers it.
inline constexpr int kPageTimeFieldId = 3010;

enum class StudioCommand : int {
  Ok = 1,
  Cancel = 2,
  Apply = 3,
  Help = 4,
  OpenClip = 10,
  OpenProject = 11,
  SaveProject = 12,
  Export = 13,
  SoftwarePath = 20,
  DevicePath = 21,
  SplitView = 22,
  OneToOne = 23,
  Play = 24,
};

class StudioPanel {
public:
  // The root window of width x height with every control, and `page` activated over
  // `effect`. `onCommand` hears each control the user operates.
  [[nodiscard]] static Result<std::unique_ptr<StudioPanel>>
  Create(int width, int height, const EffectModule &module, IUnknown *effect,
         std::function<void(StudioCommand)> onCommand);
  // Deactivates the page before the windows go.
  ~StudioPanel();
  StudioPanel(const StudioPanel &) = delete;
  StudioPanel &operator=(const StudioPanel &) = delete;

  HWND Root() const { return root; }
  IPropertyPage *Page() const { return page; }
  const StudioLayout &Layout() const { return layout; }

  // Hands the page another effect, as a frame does when its objects change: deactivated,
  // given the new object and activated again, so it shows that effect's state.
  Status ShowEffect(IUnknown *effect);

  void SetMessage(const std::string &text);
  std::string Message() const;
  std::string FileName() const;
  void SetFileName(const std::string &text);
  void EnableApply(bool enabled);
  // Moves the page's time cursor by typing the time in hundredths into its field, as a user
  // would: the page itself then writes "Current Time" and moves its slider.
  void SetPageTime(int hundredths);
  void SetPlaying(bool playing);
  // Whether the keyboard focus is on one of the page's controls.
  bool PageHasFocus() const;
  // Takes the keyboard focus from every control (the preview and the timeline have it).
  void ReleaseFocus();

private:
  StudioPanel(HWND root, CComPtr<IPropertyPage> page, StudioLayout layout,
              std::function<void(StudioCommand)> onCommand);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND AddControl(const char16_t *className, const char16_t *text, DWORD style, PixelRect at,
                  StudioCommand id);
  void AddControls();
  Status Activate(IUnknown *effect);

  HWND root;
  CComPtr<IPropertyPage> page;
  CComPtr<IPropertyPageSite> site;
  StudioLayout layout;
  std::function<void(StudioCommand)> onCommand;
  HWND message = nullptr;
  HWND fileName = nullptr;
  HWND applyButton = nullptr;
  HWND playButton = nullptr;
  std::vector<HWND> controls; // ours, beside the page's dialog
};
