// The parameter interface through which the host, the property page and the render path
// reach the parameter set and its key frames. The host binds by IID and slot order only, so
// the order of the methods below is the contract.
#pragma once

#include <msxml2.h>
#include <oleauto.h>

// {FF327271-0087-42C1-90D6-0A86B78C1BEF}
DEFINE_GUID(IID_IEffectParameters, 0xFF327271, 0x0087, 0x42C1, 0x90, 0xD6, 0x0A, 0x86, 0xB7, 0x8C, 0x1B, 0xEF);

struct IEffectParameters : public IUnknown {
  STDMETHOD(GetParameterId)(ULONG index, LONG *id) PURE;                                    // slot 3
  STDMETHOD(GetValues)(ULONG count, LONG *ids, VARIANT **values) PURE;                      // slot 4
  STDMETHOD(SetValues)(ULONG count, LONG *ids, VARIANT *values) PURE;                       // slot 5
  STDMETHOD(GetParameterInfo)(LONG id, VARIANT *value, VARIANT *valueMin, VARIANT *valueMax, VARIANT *valueDef,
                              BSTR *name, BSTR *desc, LONG *usage) PURE;                   // slot 6
  STDMETHOD(GetKeyFrameValue)(double time, LONG code, LONG id, VARIANT *value) PURE;        // slot 7
  STDMETHOD(SetKeyFrameValue)(double time, LONG code, LONG id, VARIANT value) PURE;         // slot 8
  STDMETHOD(MoveKeyFrameValue)(LONG id, LONG code, double oldTime, double newTime) PURE;    // slot 9
  STDMETHOD(GetKeyFrameCount)(LONG id, ULONG *count) PURE;                                  // slot 10
  STDMETHOD(GetKeyFrameTimes)(LONG id, double *times, LONG *codes) PURE;                    // slot 11
  STDMETHOD(RemoveKeyFrameValue)(LONG id, double time, LONG code) PURE;                     // slot 12
  STDMETHOD(RemoveAllKeyFrameValues)(LONG id, LONG codeMask) PURE;                          // slot 13
  STDMETHOD(GetValue)(LONG id, VARIANT *value) PURE;                                        // slot 14
  STDMETHOD(SetValue)(LONG id, VARIANT value) PURE;                                         // slot 15
  STDMETHOD(GetNeighbourKeyFrames)(double time, LONG id, double *previous, double *next) PURE;  // slot 16
  STDMETHOD(GetValueAtTime)(double time, LONG id, VARIANT *value) PURE;                     // slot 17
  STDMETHOD(GetCurveValueAtTime)(double time, LONG id, BOOL spline, VARIANT *value) PURE;   // slot 18
  STDMETHOD(LoadParameters)(IUnknown *node) PURE;                                           // slot 19
  STDMETHOD(SaveParameters)(IXMLDOMNode *node) PURE;                                        // slot 20
  STDMETHOD(ApplyParameters)() PURE;                                                        // slot 21
};
ZRQ_DECLARE_UUID(IEffectParameters, 0xFF327271, 0x0087, 0x42C1, 0x90, 0xD6, 0x0A, 0x86, 0xB7, 0x8C, 0x1B, 0xEF);
