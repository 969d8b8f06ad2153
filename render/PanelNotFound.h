// The error PanelList::At raises for a key that is not in the list, and the guard that turns it
// into a status before it can reach an interface.
#pragma once

#include <windows.h>
#include <zrqboundary.h>

#include <exception>
#include <new>
#include <utility>

class PanelNotFound : public std::exception {
public:
  explicit PanelNotFound(int key) noexcept : key(key) {}
  const char *what() const noexcept override { return "no panel with this key in the list"; }
  int Key() const noexcept { return key; }

private:
  int key;
};

// Runs fn (returning an HRESULT). A panel lookup that fails inside it gives E_FAIL (and an
// allocation that fails E_OUTOFMEMORY): the
// renderers only ask for panels they have just made, so a miss means the panels are not there
// (a failed allocation or a renderer that was never attached) and nothing may be drawn from them.
template <class Fn> HRESULT StatusOfPanelWork(Fn &&fn) noexcept {
  return ZrqComBoundary(std::forward<Fn>(fn));
}
