#include "params/KeyFrameIndex.h"

KeyFrameIndex KeyFrameIndex::Of(const std::array<KeyFrameGroup, 3> &groups) {
  KeyFrameIndex index;
  for (size_t g = 0; g < groups.size(); ++g)
    for (const auto &[time, frame] : groups[g])
      for (const auto &held : frame) {
        // The group is in ascending time, so each time goes at the end.
        Times &times = index.byId[held.first][g];
        times.emplace_hint(times.end(), time, &held.second);
      }
  return index;
}

void KeyFrameIndex::Insert(ULONG id, size_t group, double time, const StoredVariant *value) {
  const auto [entry, created] = byId.try_emplace(id);
  try {
    entry->second[group].insert_or_assign(time, value);
  } catch (...) {
    if (created) byId.erase(entry);
    throw;
  }
}

void KeyFrameIndex::Erase(ULONG id, size_t group, double time) noexcept {
  const auto entry = byId.find(id);
  if (entry == byId.end()) return;
  entry->second[group].erase(time);
  DropIfEmpty(entry);
}

void KeyFrameIndex::EraseGroup(ULONG id, size_t group) noexcept {
  const auto entry = byId.find(id);
  if (entry == byId.end()) return;
  entry->second[group].clear();
  DropIfEmpty(entry);
}

const KeyFrameIndex::GroupTimes *KeyFrameIndex::Find(ULONG id) const noexcept {
  const auto entry = byId.find(id);
  return entry == byId.end() ? nullptr : &entry->second;
}

ULONG KeyFrameIndex::Count(ULONG id) const noexcept {
  const GroupTimes *times = Find(id);
  if (times == nullptr) return 0;
  size_t count = 0;
  for (const Times &group : *times) count += group.size();
  return static_cast<ULONG>(count);
}

void KeyFrameIndex::DropIfEmpty(Entries::iterator entry) noexcept {
  for (const Times &group : entry->second)
    if (!group.empty()) return;
  byId.erase(entry);
}
