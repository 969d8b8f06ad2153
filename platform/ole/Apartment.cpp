#include "platform/ole/Apartment.h"

#include <atomic>

namespace zrq::ole {
namespace {

struct ThreadState {
  ULONG entries = 0;
  bool multithreaded = false;
};

thread_local ThreadState thread;
std::atomic<ULONG> threadsInside{0};
std::atomic<ULONG> multithreadedThreads{0};

} // namespace

HRESULT Apartment::Enter(DWORD coInit) {
  const bool multithreaded = (coInit & COINIT_APARTMENTTHREADED) == 0;
  if (thread.entries > 0) {
    if (thread.multithreaded != multithreaded) return RPC_E_CHANGED_MODE;
    ++thread.entries;
    return S_FALSE;
  }
  thread = {1, multithreaded};
  ++threadsInside;
  if (multithreaded) ++multithreadedThreads;
  return S_OK;
}

bool Apartment::Leave() {
  if (thread.entries == 0 || --thread.entries > 0) return false;
  if (thread.multithreaded) --multithreadedThreads;
  return --threadsInside == 0;
}

bool Apartment::MayCreateObjects() { return thread.entries > 0 || multithreadedThreads > 0; }

} // namespace zrq::ole
