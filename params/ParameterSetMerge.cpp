#include "params/ParameterSetMerge.h"

#include <new>
#include <string>
#include <unordered_map>

namespace {

void MergeRecord(LoadedRecord &loaded, std::vector<ParameterRecord> &records) {
  ParameterRecord &read = loaded.record;
  // A record that matches several table records replaces each of them, the later ones with
  // the fields already merged from the earlier; each keeps its own id.
  for (ParameterRecord &held : records) {
    const bool matches = (loaded.hasId && held.ParamID == read.ParamID) || held.Name == read.Name;
    if (!matches) continue;
    read.ParamID = held.ParamID;
    if (read.ValueDef.vt == VT_EMPTY) read.ValueDef = held.ValueDef;
    if (read.ValueMax.vt == VT_EMPTY) read.ValueMax = held.ValueMax;
    if (read.ValueMin.vt == VT_EMPTY) read.ValueMin = held.ValueMin;
    if (read.Usage == 2) read.Usage = held.Usage;
    if (read.Name.IsEmpty()) read.Name = held.Name;
    if (read.Desc.IsEmpty()) read.Desc = held.Desc;
    held = read;
  }
}

// The id of the first record with each name, for key-frame values saved by name.
using IdsByName = std::unordered_map<std::u16string, LONG>;

IdsByName FirstIdByName(const std::vector<ParameterRecord> &records) {
  IdsByName ids;
  for (const ParameterRecord &record : records) {
    if (record.Name.IsAbsent()) continue;
    ids.try_emplace(std::u16string(record.Name.Get(), record.Name.Length()), record.ParamID);
  }
  return ids;
}

LONG IdOf(LoadedKeyFrameValue &value, const IdsByName &ids) {
  if (value.hasId) return value.id;
  const auto found = ids.find(std::u16string(value.name.Get(), value.name.Length()));
  return found == ids.end() ? 0 : found->second;
}

void BuildGroup(LoadedKeyFrameGroup &loaded, const IdsByName &ids, KeyFrameGroup &group) {
  for (LoadedKeyFrame &keyFrame : loaded.keyFrames) {
    if (group.contains(keyFrame.time)) continue; // the first key frame read at a time stays
    KeyFrame values;
    for (LoadedKeyFrameValue &value : keyFrame.values) {
      const LONG id = IdOf(value, ids);
      // Only positive ids are key-framed from a document; a later value for an id replaces
      // the earlier one.
      if (id > 0) values.insert_or_assign(static_cast<ULONG>(id), std::move(value.value));
    }
    // Kept also when it holds no value.
    group.emplace(keyFrame.time, std::move(values));
  }
}

} // namespace

HRESULT MergeLoadedParameterSet(LoadedParameterSet &loaded, std::vector<ParameterRecord> &records,
                                std::array<KeyFrameGroup, 3> &groups) noexcept {
  try {
    for (LoadedRecord &record : loaded.records) MergeRecord(record, records);
    const IdsByName ids = FirstIdByName(records);
    for (size_t g = 0; g < groups.size(); ++g) {
      groups[g].clear();
      BuildGroup(loaded.groups[g], ids, groups[g]);
    }
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  }
  return loaded.groups[2].status;
}
