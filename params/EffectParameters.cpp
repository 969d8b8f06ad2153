#include "params/EffectParameters.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <new>

#include <atlcomcli.h>
#include <zrqboundary.h>

#include "params/CurveInterpolation.h"
#include "params/ParameterSetMerge.h"
#include "params/ParameterSetReader.h"
#include "params/ParameterSetWriter.h"
#include "params/ValueHandOut.h"

namespace {

// The group's own key-frame map at index 0, 1, 2 for codes 1, 2, 4, in that order.
constexpr LONG kGroupCodes[3] = {StartOffset, EndOffset, Percentage};

// Converts to VT_R8 when it can; otherwise the value keeps its own type.
void ConvertToDouble(VARIANT *value) {
  VARIANT converted;
  VariantInit(&converted);
  if (SUCCEEDED(VariantChangeType(&converted, value, 0, VT_R8))) {
    VariantClear(value);
    std::memcpy(static_cast<void *>(value), &converted, sizeof(VARIANT));
  }
}

void MoveOut(VARIANT *from, VARIANT *to) {
  std::memcpy(static_cast<void *>(to), from, sizeof(VARIANT));
  VariantInit(from);
}

} // namespace

template <typename Operation> HRESULT EffectParameters::Locked(Operation &&operation) noexcept {
  return ZrqComBoundary([&] {
    std::lock_guard<std::mutex> lock(parametersLock);
    return operation();
  });
}

size_t EffectParameters::GroupIndex(LONG code) noexcept {
  size_t g = 0;
  while (g < std::size(kGroupCodes) && kGroupCodes[g] != code) ++g;
  return g;
}

KeyFrameGroup *EffectParameters::GroupFor(LONG code) noexcept {
  const size_t g = GroupIndex(code);
  return g < groups.size() ? &groups[g] : nullptr;
}

// ---- The object ----

EffectParameters::EffectParameters() noexcept {
  table.SetOwner(static_cast<IEffectParameters *>(this));
}

EffectParameters::~EffectParameters() = default;

HRESULT EffectParameters::Create(REFIID riid, void **ppv) noexcept {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  auto *created = new (std::nothrow) EffectParameters();
  if (created == nullptr) return E_OUTOFMEMORY;
  created->AddRef();
  const HRESULT hr = created->QueryInterface(riid, ppv);
  created->Release();
  return hr;
}

HRESULT EffectParameters::QueryInterface(REFIID riid, void **ppvObject) {
  if (ppvObject == nullptr) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IEffectParameters) {
    *ppvObject = static_cast<IEffectParameters *>(this);
  } else if (riid == IID_IParameterTable) {
    *ppvObject = static_cast<IParameterTable *>(&table);
  } else {
    *ppvObject = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG EffectParameters::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&referenceCount));
}

ULONG EffectParameters::Release() {
  const LONG left = InterlockedDecrement(&referenceCount);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

// ---- The table ----

HRESULT EffectParameters::GetParameterId(ULONG index, LONG *id) {
  return Locked([&] { return table.GetParameterId(index, id); });
}

HRESULT EffectParameters::GetValues(ULONG count, LONG *ids, VARIANT **values) {
  return Locked([&] {
    if (ids == nullptr || values == nullptr) return E_POINTER;
    ULONG held = 0;
    table.GetCount(&held);
    if (count > held) return E_INVALIDARG;
    for (ULONG i = 0; i < count; ++i) {
      const HRESULT hr = table.GetValue(ids[i], values[i]);
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  });
}

HRESULT EffectParameters::SetValues(ULONG count, LONG *ids, VARIANT *values) {
  return Locked([&] {
    if (ids == nullptr || values == nullptr) return E_POINTER;
    HRESULT hr = S_OK;
    VARIANT empty;
    VariantInit(&empty);
    // Each value is stored as it comes; a failure stops the loop and keeps those stored before
    // it, which callers setting several values at once have always seen.
    for (ULONG i = 0; i < count; ++i) {
      if (table.Find(ids[i]) != nullptr)
        hr = table.SetValue(ids[i], values[i]);
      else
        hr = table.AddParameter(ids[i], values[i], empty, empty, empty, u"", u"", 0);
      if (FAILED(hr)) return hr;
    }
    return hr;
  });
}

HRESULT EffectParameters::GetParameterInfo(LONG id, VARIANT *value, VARIANT *valueMin,
                                           VARIANT *valueMax, VARIANT *valueDef, BSTR *name,
                                           BSTR *desc, LONG *usage) {
  return Locked([&] {
    return table.GetParameterInfo(id, value, valueMin, valueMax, valueDef, name, desc, usage);
  });
}

HRESULT EffectParameters::GetValue(LONG id, VARIANT *value) {
  return Locked([&] { return table.GetValue(id, value); });
}

HRESULT EffectParameters::SetValue(LONG id, VARIANT value) {
  return Locked([&] { return table.SetValue(id, value); });
}

HRESULT EffectParameters::InitializeParameters(const SharedString &rootName,
                                               const ParameterRecord *records, ULONG count) {
  return Locked([&] {
    if (records == nullptr && count != 0) return E_POINTER;
    rootElementName = rootName;
    // Room for every record first, so that the appends cannot fail half-way.
    std::vector<ParameterRecord> &held = table.Records();
    held.reserve(held.size() + count);
    for (ULONG i = 0; i < count; ++i) {
      if (table.Find(records[i].ParamID) == nullptr) held.push_back(records[i]);
    }
    return S_OK;
  });
}

SharedString EffectParameters::RootElementName() {
  std::lock_guard<std::mutex> lock(parametersLock);
  return rootElementName;
}

// ---- Key frames ----

HRESULT EffectParameters::GetKeyFrameValue(double time, LONG code, LONG id, VARIANT *value) {
  return Locked([&] { return GetKeyFrameValueLocked(time, code, id, value); });
}

HRESULT EffectParameters::GetKeyFrameValueLocked(double time, LONG code, LONG id, VARIANT *value) {
  if (value == nullptr) return E_POINTER;
  const KeyFrameGroup *group = GroupFor(code);
  if (group == nullptr) return E_INVALIDARG;
  // No key frame sits at NaN, and a map lookup of NaN would match any of them.
  const auto frame = std::isnan(time) ? group->end() : group->find(time);
  if (frame == group->end()) return TYPE_E_ELEMENTNOTFOUND;
  const auto held = frame->second.find(static_cast<ULONG>(id));
  if (held == frame->second.end()) return E_INVALIDARG;
  HandOutValue(held->second, value);
  return S_OK;
}

HRESULT EffectParameters::SetKeyFrameValue(double time, LONG code, LONG id, VARIANT value) {
  return Locked([&] { return SetKeyFrameValueLocked(time, code, id, value); });
}

HRESULT EffectParameters::SetKeyFrameValueLocked(double time, LONG code, LONG id,
                                                 const VARIANT &value) {
  const size_t g = GroupIndex(code);
  if (g >= groups.size() || std::isnan(time)) return E_INVALIDARG;
  curve.valid = false;
  KeyFrameGroup &group = groups[g];
  const auto [frame, createdFrame] = group.try_emplace(time);
  try {
    const auto [held, createdValue] = frame->second.try_emplace(static_cast<ULONG>(id));
    if (createdValue) {
      try {
        index.Insert(static_cast<ULONG>(id), g, time, &held->second);
      } catch (...) {
        frame->second.erase(held);
        throw;
      }
    }
    held->second.Assign(value);
  } catch (...) {
    if (createdFrame) group.erase(frame); // no empty key frame is left behind
    throw;
  }
  return S_OK;
}

HRESULT EffectParameters::MoveKeyFrameValue(LONG id, LONG code, double oldTime, double newTime) {
  return Locked([&] {
    KeyFrameGroup *group = GroupFor(code);
    if (group == nullptr || std::isnan(oldTime) || std::isnan(newTime)) return E_INVALIDARG;
    const auto frame = group->find(oldTime);
    if (frame == group->end()) return TYPE_E_ELEMENTNOTFOUND;
    const auto held = frame->second.find(static_cast<ULONG>(id));
    if (held == frame->second.end()) return TYPE_E_ELEMENTNOTFOUND;
    // Moving onto its own time would store the value and then remove it again.
    if (newTime == oldTime) return S_OK;
    const HRESULT hr = SetKeyFrameValueLocked(newTime, code, id, held->second);
    if (FAILED(hr)) return hr;
    return RemoveKeyFrameValueLocked(id, oldTime, code);
  });
}

HRESULT EffectParameters::GetKeyFrameCount(LONG id, ULONG *count) {
  return Locked([&] {
    if (count == nullptr) return E_POINTER;
    *count = KeyFrameCountLocked(id);
    return S_OK;
  });
}

ULONG EffectParameters::KeyFrameCountLocked(LONG id) const {
  return index.Count(static_cast<ULONG>(id));
}

HRESULT EffectParameters::GetKeyFrameTimes(LONG id, double *times, LONG *codes) {
  return Locked([&] {
    if (times == nullptr || codes == nullptr) return E_POINTER;
    KeyFrameTimesLocked(id, times, codes);
    return S_OK;
  });
}

void EffectParameters::KeyFrameTimesLocked(LONG id, double *times, LONG *codes) const {
  const KeyFrameIndex::GroupTimes *held = index.Find(static_cast<ULONG>(id));
  if (held == nullptr) return;
  size_t at = 0;
  for (size_t g = 0; g < held->size(); ++g) {
    for (const auto &[time, value] : (*held)[g]) {
      times[at] = time;
      codes[at] = kGroupCodes[g];
      ++at;
    }
  }
}

HRESULT EffectParameters::RemoveKeyFrameValue(LONG id, double time, LONG code) {
  return Locked([&] { return RemoveKeyFrameValueLocked(id, time, code); });
}

HRESULT EffectParameters::RemoveKeyFrameValueLocked(LONG id, double time, LONG code) {
  const size_t g = GroupIndex(code);
  if (g >= groups.size()) return E_INVALIDARG;
  KeyFrameGroup &group = groups[g];
  const auto frame = std::isnan(time) ? group.end() : group.find(time);
  if (frame == group.end()) return TYPE_E_ELEMENTNOTFOUND;
  curve.valid = false;
  if (frame->second.erase(static_cast<ULONG>(id)) != 0)
    index.Erase(static_cast<ULONG>(id), g, time);
  if (frame->second.empty()) group.erase(frame);
  return S_OK;
}

HRESULT EffectParameters::RemoveAllKeyFrameValues(LONG id, LONG codeMask) {
  return Locked([&] {
    if (codeMask != AllTimeBases && GroupFor(codeMask) == nullptr) return E_INVALIDARG;
    curve.valid = false;
    for (size_t g = 0; g < groups.size(); ++g) {
      if (codeMask != AllTimeBases && codeMask != kGroupCodes[g]) continue;
      KeyFrameGroup &group = groups[g];
      // Key frames left empty go too, also those a document brought in empty.
      for (auto frame = group.begin(); frame != group.end();) {
        frame->second.erase(static_cast<ULONG>(id));
        frame = frame->second.empty() ? group.erase(frame) : std::next(frame);
      }
      index.EraseGroup(static_cast<ULONG>(id), g);
    }
    return S_OK;
  });
}

// ---- Evaluation ----

HRESULT EffectParameters::CollectKeyFramesLocked(LONG id, CollectedKeyFrames *collected) const {
  const ULONG count = KeyFrameCountLocked(id);
  if (count == 0) return E_INVALIDARG;
  try {
    collected->times.resize(count);
    collected->codes.resize(count);
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  }
  KeyFrameTimesLocked(id, collected->times.data(), collected->codes.data());
  return S_OK;
}

void EffectParameters::NearestLocked(LONG id, double time, double previousEdge, bool inclusive,
                                     double nextEdge, Neighbour *previous, Neighbour *next) const {
  const KeyFrameIndex::GroupTimes *held = index.Find(static_cast<ULONG>(id));
  if (held == nullptr) return;
  for (size_t g = 0; g < held->size(); ++g) {
    const KeyFrameIndex::Times &times = (*held)[g];
    const auto below =
        inclusive ? times.upper_bound(previousEdge) : times.lower_bound(previousEdge);
    if (below != times.begin()) {
      const auto [k, value] = *std::prev(below);
      if (time - previous->time > time - k) *previous = {k, kGroupCodes[g], value};
    }
    const auto above = times.upper_bound(nextEdge);
    if (above != times.end()) {
      const auto [k, value] = *above;
      if (next->time - time > k - time) *next = {k, kGroupCodes[g], value};
    }
  }
}

HRESULT EffectParameters::GetNeighbourKeyFrames(double time, LONG id, double *previous,
                                                double *next) {
  return Locked([&] {
    if (previous == nullptr || next == nullptr) return E_POINTER;
    if (KeyFrameCountLocked(id) == 0) return E_INVALIDARG;
    // Key frames within 0.01 of the time are neither before nor after it; -0.1 and 1.1 stand
    // for none and are handed out as they are.
    Neighbour before{-0.1};
    Neighbour after{1.1};
    NearestLocked(id, time, time - 0.01, false, time + 0.01, &before, &after);
    *previous = before.time;
    *next = after.time;
    return S_OK;
  });
}

HRESULT EffectParameters::GetValueAtTime(double time, LONG id, VARIANT *value) {
  return Locked([&] {
    if (value == nullptr) return E_POINTER;
    if (KeyFrameCountLocked(id) == 0) return E_INVALIDARG;

    // The nearest key frame at or before the time, and the nearest after it; -0.1 and 1.1
    // stand for none, so key frames outside them are never neighbours. Ties keep the group
    // met first.
    Neighbour left{-0.1};
    Neighbour right{1.1};
    NearestLocked(id, time, time, true, time, &left, &right);

    // Every result is built in scratch and moved out whole, so a failure writes nothing.
    HRESULT hr = S_OK;
    VARIANT result;
    VariantInit(&result);
    if (left.code == 0 || right.code == 0) {
      // Before the first key frame and after the last the value is held; with neither,
      // the parameter's own value stands.
      if (left.code == 0 && right.code == 0) {
        hr = table.GetValue(id, &result);
        if (FAILED(hr)) return hr;
      } else {
        HandOutValue(*(left.code == 0 ? right.value : left.value), &result);
      }
      ConvertToDouble(&result);
      MoveOut(&result, value);
      return hr;
    }

    const double u = (time - left.time) / (right.time - left.time);
    VARIANT leftValue, rightValue, leftWeight, rightWeight, leftPart, rightPart;
    for (VARIANT *v : {&leftValue, &rightValue, &leftWeight, &rightWeight, &leftPart, &rightPart})
      VariantInit(v);
    HandOutValue(*right.value, &rightValue);
    HandOutValue(*left.value, &leftValue);
    leftWeight.vt = VT_R8;
    leftWeight.dblVal = 1.0 - u;
    rightWeight.vt = VT_R8;
    rightWeight.dblVal = u;
    hr = VarMul(&leftValue, &leftWeight, &leftPart);
    if (SUCCEEDED(hr)) hr = VarMul(&rightValue, &rightWeight, &rightPart);
    if (SUCCEEDED(hr)) hr = VarAdd(&leftPart, &rightPart, &result);
    for (VARIANT *v : {&leftValue, &rightValue, &leftWeight, &rightWeight, &leftPart, &rightPart})
      VariantClear(v);
    if (FAILED(hr)) {
      VariantClear(&result);
      return hr;
    }
    MoveOut(&result, value);
    return hr;
  });
}

HRESULT EffectParameters::BuildCurveLocked(LONG id, bool spline) {
  curve.valid = false;
  CollectedKeyFrames collected;
  HRESULT hr = CollectKeyFramesLocked(id, &collected);
  if (FAILED(hr)) return hr;
  const size_t n = collected.times.size();
  std::vector<double> values, secondDerivatives, scratch;
  try {
    values.resize(n);
    secondDerivatives.resize(n);
    scratch.resize(n);
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  }

  for (size_t i = 0; i < n; ++i) {
    VARIANT held;
    VariantInit(&held);
    hr = GetKeyFrameValueLocked(collected.times[i], collected.codes[i], id, &held);
    if (FAILED(hr)) return hr;
    VARIANT number;
    VariantInit(&number);
    const HRESULT converted = VariantChangeType(&number, &held, 0, VT_R8);
    VariantClear(&held);
    // A value that is no number has no place on a curve.
    if (FAILED(converted)) return converted;
    values[i] = number.dblVal;
  }

  if (spline)
    NaturalSplineSecondDerivatives(collected.times.data(), values.data(), n,
                                   secondDerivatives.data(), scratch.data());
  curve.times.swap(collected.times);
  curve.values.swap(values);
  curve.secondDerivatives.swap(secondDerivatives);
  curve.id = id;
  curve.spline = spline;
  curve.valid = true;
  return S_OK;
}

HRESULT EffectParameters::GetCurveValueAtTime(double time, LONG id, BOOL spline, VARIANT *value) {
  return Locked([&] {
    if (value == nullptr) return E_POINTER;
    // Only the low byte of the flag counts, as it always has for this method: a caller that
    // passes 0x100 gets the straight line, and stored curves keep their old shape.
    const bool natural = static_cast<BYTE>(spline) != 0;
    if (!curve.valid || curve.id != id || curve.spline != natural) {
      const HRESULT hr = BuildCurveLocked(id, natural);
      if (FAILED(hr)) return hr;
    }
    VARIANT result;
    VariantInit(&result);
    result.vt = VT_R8;
    result.dblVal = EvaluateCurve(curve.times.data(), curve.values.data(),
                                  curve.secondDerivatives.data(), curve.times.size(), time);
    MoveOut(&result, value);
    return S_OK;
  });
}

// ---- The XML form ----

HRESULT EffectParameters::SaveParameters(IXMLDOMNode *node) {
  if (node == nullptr) return E_POINTER;
  ParameterSetSnapshot snapshot;
  HRESULT hr = Locked([&] {
    snapshot.records = table.Records();
    snapshot.groups = groups;
    snapshot.rootElementName = rootElementName;
    return S_OK;
  });
  if (FAILED(hr)) return hr;
  return WriteParameterSet(snapshot, node);
}

HRESULT EffectParameters::LoadParameters(IUnknown *node) {
  if (node == nullptr) return S_OK;
  // Only an element holds a parameter set; any other node loads nothing.
  CComPtr<IXMLDOMElement> element;
  if (FAILED(node->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void **>(&element))) ||
      !element)
    return S_OK;
  LoadedParameterSet loaded;
  HRESULT hr = ReadParameterSet(element, RootElementName(), &loaded);
  if (FAILED(hr)) return hr;
  if (!loaded.found) return S_OK;
  return ReplaceWithLoaded(loaded);
}

HRESULT EffectParameters::ReplaceWithLoaded(LoadedParameterSet &loaded) {
  // Merged into copies taken under the lock, so that edits made while the document was read
  // are merged with, not lost; the copies replace the set only when the merge succeeded.
  std::vector<ParameterRecord> replacedRecords;
  std::array<KeyFrameGroup, 3> replacedGroups;
  KeyFrameIndex replacedIndex;
  const HRESULT hr = Locked([&] {
    std::vector<ParameterRecord> records = table.Records();
    std::array<KeyFrameGroup, 3> loadedGroups;
    const HRESULT merged = MergeLoadedParameterSet(loaded, records, loadedGroups);
    if (FAILED(merged)) return merged;
    replacedIndex = KeyFrameIndex::Of(loadedGroups);
    replacedRecords.swap(table.Records());
    table.Records().swap(records);
    replacedGroups.swap(groups);
    groups.swap(loadedGroups);
    index.swap(replacedIndex);
    curve.valid = false;
    return merged;
  });
  return hr; // what was replaced is freed here, outside the lock
}
