// The ordered list of a renderer's panels, keyed by a running index. It owns its panels.
#pragma once

#include <d3d9.h>

#include <memory>

#include "render/ListNode.h"
#include "render/Panel.h"

class PanelList : public ListNode {
public:
  PanelList() = default;
  ~PanelList() override;

  // Appends the panel and gives it the key after the last panel's (0 in an empty list). The
  // list takes ownership. A null panel returns false and changes nothing.
  bool Add(std::unique_ptr<Panel> panel);

  // The panel with this key, or null. The search runs both ways from the panel found last, so
  // asking for neighbouring keys in turn costs a step or two.
  Panel *Find(int key);

  // As Find, but the key must be there: a missing key throws PanelNotFound, which callers turn
  // into a status before it reaches an interface (StatusOfPanelWork).
  Panel &At(int key);

  // Removes and destroys every panel.
  void Clear();

  // The first panel, for visiting them in the order they were added.
  Panel *First() const { return head; }
  static Panel *Next(const Panel &panel) { return static_cast<Panel *>(panel.next); }

  Panel *head = nullptr;
  Panel *cursor = nullptr;
  UINT count = 0;
  D3DMATERIAL9 material{}; // the shared draw's material for this list; set by the renderer
};
