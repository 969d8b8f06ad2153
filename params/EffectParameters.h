// The parameter set of an effect: the parameter table, the key frames in their three
// time-base groups, and the name of the element the set is saved under.
//
// parametersLock serialises every operation, because the property page edits from its window
// thread while the render path evaluates. It is the innermost lock: while it is held nothing
// is called but the VARIANT and BSTR functions; saving and loading copy what they need under
// it and make their DOM calls after releasing it. Public operations take it and call the
// private *Locked forms, which call each other freely. No operation throws.
//
// EffectParameters is a COM object of its own (IEffectParameters, and IParameterTable for
// its table) and the base of the effect object, which supplies ApplyParameters and its own
// IUnknown. Alone, an object made by Create lives until its last Release; one on the stack
// or inside another object is never released to zero.
#pragma once

#include <array>
#include <mutex>
#include <vector>

#include "params/IEffectParameters.h"
#include "params/KeyFrameGroup.h"
#include "params/KeyFrameIndex.h"
#include "params/ParameterTable.h"

struct LoadedParameterSet;

class EffectParameters : public IEffectParameters {
public:
  EffectParameters() noexcept;
  EffectParameters(const EffectParameters &) = delete;
  EffectParameters &operator=(const EffectParameters &) = delete;
  virtual ~EffectParameters();

  // A new, empty parameter set on the heap, handed out as riid with the one reference.
  [[nodiscard]] static HRESULT Create(REFIID riid, void **ppv) noexcept;

  STDMETHODIMP QueryInterface(REFIID riid, void **ppvObject) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // The table.
  STDMETHODIMP GetParameterId(ULONG index, LONG *id) override;
  STDMETHODIMP GetValues(ULONG count, LONG *ids, VARIANT **values) override;
  STDMETHODIMP SetValues(ULONG count, LONG *ids, VARIANT *values) override;
  STDMETHODIMP GetParameterInfo(LONG id, VARIANT *value, VARIANT *valueMin, VARIANT *valueMax,
                                VARIANT *valueDef, BSTR *name, BSTR *desc, LONG *usage) override;
  STDMETHODIMP GetValue(LONG id, VARIANT *value) override;
  STDMETHODIMP SetValue(LONG id, VARIANT value) override;
  // Sets the root element name and appends a copy of each record whose id the table does
  // not hold yet.
  HRESULT InitializeParameters(const SharedString &rootName, const ParameterRecord *records,
                               ULONG count);

  // Key frames. Codes are 1, 2 or 4 (RemoveAllKeyFrameValues also takes 7); times are
  // compared exactly.
  STDMETHODIMP GetKeyFrameValue(double time, LONG code, LONG id, VARIANT *value) override;
  STDMETHODIMP SetKeyFrameValue(double time, LONG code, LONG id, VARIANT value) override;
  STDMETHODIMP MoveKeyFrameValue(LONG id, LONG code, double oldTime, double newTime) override;
  STDMETHODIMP GetKeyFrameCount(LONG id, ULONG *count) override;
  // The arrays must hold GetKeyFrameCount entries.
  STDMETHODIMP GetKeyFrameTimes(LONG id, double *times, LONG *codes) override;
  STDMETHODIMP RemoveKeyFrameValue(LONG id, double time, LONG code) override;
  STDMETHODIMP RemoveAllKeyFrameValues(LONG id, LONG codeMask) override;

  // Evaluation over the key frames of one id in all groups, on one time axis. Finding the
  // neighbours of a time costs O(log n) in the number of key frames. The curve, which every
  // key frame shapes, is built once and kept until a key frame changes, so that each further
  // time costs O(log n) too.
  STDMETHODIMP GetNeighbourKeyFrames(double time, LONG id, double *previous, double *next) override;
  STDMETHODIMP GetValueAtTime(double time, LONG id, VARIANT *value) override;
  STDMETHODIMP GetCurveValueAtTime(double time, LONG id, BOOL spline, VARIANT *value) override;

  // The XML form inside the host's document. A load reads the whole document first and
  // changes the set only when all of it could be read: a failure leaves every record and
  // key frame as it was. A null node loads nothing (S_OK); saving into one is E_POINTER.
  STDMETHODIMP LoadParameters(IUnknown *node) override;
  STDMETHODIMP SaveParameters(IXMLDOMNode *node) override;
  // Rebuilding what the parameters drive is the effect object's; the set alone has nothing.
  STDMETHODIMP ApplyParameters() override { return E_NOTIMPL; }

  SharedString RootElementName();

private:
  struct CollectedKeyFrames {
    std::vector<double> times;
    std::vector<LONG> codes;
  };
  // The curve GetCurveValueAtTime built last: one id's key frames, their values as numbers
  // and, for the spline, its second derivatives.
  struct Curve {
    bool valid = false;
    LONG id = 0;
    bool spline = false;
    std::vector<double> times, values, secondDerivatives;
  };
  // A neighbour of a time among one id's key frames and the value it holds; code 0 when
  // there is none.
  struct Neighbour {
    double time;
    LONG code = 0;
    const StoredVariant *value = nullptr;
  };

  template <typename Operation> HRESULT Locked(Operation &&operation) noexcept;

  // The group's place in groups (0, 1, 2) for a code, or groups.size() for no group.
  static size_t GroupIndex(LONG code) noexcept;
  KeyFrameGroup *GroupFor(LONG code) noexcept;

  HRESULT GetKeyFrameValueLocked(double time, LONG code, LONG id, VARIANT *value);
  HRESULT SetKeyFrameValueLocked(double time, LONG code, LONG id, const VARIANT &value);
  HRESULT RemoveKeyFrameValueLocked(LONG id, double time, LONG code);
  ULONG KeyFrameCountLocked(LONG id) const;
  void KeyFrameTimesLocked(LONG id, double *times, LONG *codes) const;
  HRESULT CollectKeyFramesLocked(LONG id, CollectedKeyFrames *collected) const;
  // The key frames of id nearest to time: *previous among those below previousEdge (or at it,
  // when inclusive), *next among those above nextEdge. Each group's candidate is found in the
  // index and the groups are taken in order, a candidate replacing the one held only when it
  // is strictly nearer to time, as a scan of every key frame would choose; the times held on
  // entry stand for none and bound the search.
  void NearestLocked(LONG id, double time, double previousEdge, bool inclusive, double nextEdge,
                     Neighbour *previous, Neighbour *next) const;
  // Builds curve for id; on failure it is left invalid.
  HRESULT BuildCurveLocked(LONG id, bool spline);
  HRESULT ReplaceWithLoaded(LoadedParameterSet &loaded);

  LONG referenceCount = 0;
  std::mutex parametersLock;
  ParameterTable table;
  std::array<KeyFrameGroup, 3> groups; // StartOffset, EndOffset, Percentage
  KeyFrameIndex index;                 // always describes groups
  Curve curve;                         // invalid once a key frame changes
  SharedString rootElementName;
};
