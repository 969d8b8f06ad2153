#include "render/PanelList.h"

#include "render/PanelNotFound.h"

PanelList::~PanelList() { Clear(); }

bool PanelList::Add(std::unique_ptr<Panel> panel) {
  if (!panel) return false;
  Panel *p = panel.release();
  p->owner = this;
  p->next = nullptr;
  if (!head) {
    p->previous = nullptr;
    p->index = 0;
    head = p;
    count = 1;
    return true;
  }
  Panel *last = head;
  while (last->next) last = Next(*last);
  last->next = p;
  p->previous = last;
  p->index = last->index + 1;
  ++count;
  return true;
}

Panel *PanelList::Find(int key) {
  Panel *forward = cursor ? cursor : head;
  Panel *backward = forward;
  while (forward || backward) {
    if (forward) {
      if (forward->index == key) return cursor = forward;
      forward = Next(*forward);
    }
    if (backward) {
      if (backward->index == key) return cursor = backward;
      backward = static_cast<Panel *>(backward->previous);
    }
  }
  cursor = nullptr;
  return nullptr;
}

Panel &PanelList::At(int key) {
  Panel *p = Find(key);
  if (!p) throw PanelNotFound(key);
  return *p;
}

void PanelList::Clear() {
  while (head) {
    Panel *p = head;
    head = Next(*p);
    if (head) head->previous = p->previous;
    delete p;
    if (count > 0) --count;
  }
  cursor = nullptr;
  count = 0;
}
