// The parameter set of an effect: the parameter table, the key frames in their three
// time-base groups, and the name of the element the set is saved under.
//
// parametersLock serialises every operation, because the property page edits from its window
// thread while the render path evaluates. It is the innermost lock: while it is held nothing
// is called but the VARIANT and BSTR functions. Public operations take it and call the
// private *Locked forms, which call each other freely. No operation throws.
#pragma once

#include <array>
#include <mutex>
#include <vector>

#include "params/KeyFrameGroup.h"
#include "params/ParameterTable.h"

class EffectParameters {
public:
  EffectParameters() = default;
  EffectParameters(const EffectParameters &) = delete;
  EffectParameters &operator=(const EffectParameters &) = delete;

  // The table.
  HRESULT GetParameterId(ULONG index, LONG *id);
  HRESULT GetValues(ULONG count, LONG *ids, VARIANT **values);
  HRESULT SetValues(ULONG count, LONG *ids, VARIANT *values);
  HRESULT GetParameterInfo(LONG id, VARIANT *value, VARIANT *valueMin, VARIANT *valueMax, VARIANT *valueDef,
                           BSTR *name, BSTR *desc, LONG *usage);
  HRESULT GetValue(LONG id, VARIANT *value);
  HRESULT SetValue(LONG id, VARIANT value);
  // Sets the root element name and appends a copy of each record whose id the table does
  // not hold yet.
  HRESULT InitializeParameters(const SharedString &rootName, const ParameterRecord *records, ULONG count);

  // Key frames. Codes are 1, 2 or 4 (RemoveAllKeyFrameValues also takes 7); times are
  // compared exactly.
  HRESULT GetKeyFrameValue(double time, LONG code, LONG id, VARIANT *value);
  HRESULT SetKeyFrameValue(double time, LONG code, LONG id, VARIANT value);
  HRESULT MoveKeyFrameValue(LONG id, LONG code, double oldTime, double newTime);
  HRESULT GetKeyFrameCount(LONG id, ULONG *count);
  // The arrays must hold GetKeyFrameCount entries.
  HRESULT GetKeyFrameTimes(LONG id, double *times, LONG *codes);
  HRESULT RemoveKeyFrameValue(LONG id, double time, LONG code);
  HRESULT RemoveAllKeyFrameValues(LONG id, LONG codeMask);

  // Evaluation over the key frames of one id in all groups, on one time axis.
  HRESULT GetNeighbourKeyFrames(double time, LONG id, double *previous, double *next);
  HRESULT GetValueAtTime(double time, LONG id, VARIANT *value);
  HRESULT GetCurveValueAtTime(double time, LONG id, BOOL spline, VARIANT *value);

  SharedString RootElementName();

private:
  struct CollectedKeyFrames {
    std::vector<double> times;
    std::vector<LONG> codes;
  };

  template <typename Operation>
  HRESULT Locked(Operation &&operation) noexcept;

  static KeyFrameGroup *GroupFor(std::array<KeyFrameGroup, 3> &groups, LONG code) noexcept;
  KeyFrameGroup *GroupFor(LONG code) noexcept { return GroupFor(groups, code); }

  HRESULT GetKeyFrameValueLocked(double time, LONG code, LONG id, VARIANT *value);
  HRESULT SetKeyFrameValueLocked(double time, LONG code, LONG id, const VARIANT &value);
  HRESULT RemoveKeyFrameValueLocked(LONG id, double time, LONG code);
  ULONG KeyFrameCountLocked(LONG id) const;
  void KeyFrameTimesLocked(LONG id, double *times, LONG *codes) const;
  HRESULT CollectKeyFramesLocked(LONG id, CollectedKeyFrames *collected) const;

  std::mutex parametersLock;
  ParameterTable table;
  std::array<KeyFrameGroup, 3> groups;  // StartOffset, EndOffset, Percentage
  SharedString rootElementName;
};
