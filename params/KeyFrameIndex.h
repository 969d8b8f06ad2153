// Where each parameter has key frames: for every id, the times of its key frames in each of the
// three groups, each with the value the key frame holds for the id. The groups map a time to a
// key frame holding any number of ids; evaluation wants one id's neighbours of a time and
// their values, which this finds with one bisection however many key frames there are and
// whatever other ids they hold. EffectParameters keeps it in step with its groups, under its
// lock; a value's place in its key frame stays put until the value is removed.
#pragma once

#include <array>
#include <map>

#include "params/KeyFrameGroup.h"

class KeyFrameIndex {
public:
  using Times = std::map<double, const StoredVariant *>;
  using GroupTimes = std::array<Times, 3>; // in the order of the groups

  // The index of groups as they stand. Throws std::bad_alloc.
  static KeyFrameIndex Of(const std::array<KeyFrameGroup, 3> &groups);

  // Throws std::bad_alloc, with nothing changed.
  void Insert(ULONG id, size_t group, double time, const StoredVariant *value);
  void Erase(ULONG id, size_t group, double time) noexcept;
  void EraseGroup(ULONG id, size_t group) noexcept;
  void swap(KeyFrameIndex &other) noexcept { byId.swap(other.byId); }

  // The id's times in each group; null when it has no key frame at all.
  const GroupTimes *Find(ULONG id) const noexcept;
  ULONG Count(ULONG id) const noexcept;

private:
  using Entries = std::map<ULONG, GroupTimes>;
  // An id without key frames has no entry, so Find can answer null for it.
  void DropIfEmpty(Entries::iterator entry) noexcept;

  Entries byId;
};
