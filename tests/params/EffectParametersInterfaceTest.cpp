// IEffectParameters and IParameterTable as a C host sees them: each slot of the table of
// functions, called by its index with the C signature, reaches its own operation; and the
// object's identity and reference count.
#include <gtest/gtest.h>

#include "VariantHelpers.h"
#include "XmlTestDocuments.h"
#include "params/EffectParameters.h"

namespace {

// The function in slot n of the object's table of functions, as a C caller finds it.
template <typename Function> Function Slot(void *object, int n) {
  return reinterpret_cast<Function>((*static_cast<void ***>(object))[n]);
}

} // namespace

TEST(EffectParametersSlots, EachSlotReachesItsOperation) {
  CComPtr<IEffectParameters> parameters = NewEffectParameters();
  void *p = parameters.p;
  Owned value, second;

  LONG id = 0;
  ASSERT_EQ((Slot<HRESULT (*)(void *, ULONG, LONG *)>(p, 3)(p, 2, &id)), S_OK);
  EXPECT_EQ(id, 21) << "slot 3 GetParameterId";
  EXPECT_EQ((Slot<HRESULT (*)(void *, ULONG, LONG *)>(p, 3)(p, 4, &id)), E_INVALIDARG);

  LONG ids[2] = {21, 0};
  VARIANT *outs[2] = {&value, &second};
  ASSERT_EQ((Slot<HRESULT (*)(void *, ULONG, LONG *, VARIANT **)>(p, 4)(p, 2, ids, outs)), S_OK);
  EXPECT_EQ(value.iVal, 50) << "slot 4 GetValues";
  EXPECT_EQ(second.lVal, 2002);

  LONG added = 500;
  VARIANT addedValue = I4(5);
  ASSERT_EQ((Slot<HRESULT (*)(void *, ULONG, LONG *, VARIANT *)>(p, 5)(p, 1, &added, &addedValue)),
            S_OK);
  EXPECT_EQ(parameters->GetParameterId(4, &id), S_OK) << "slot 5 SetValues appended";
  EXPECT_EQ(id, 500);

  LONG usage = 0;
  ASSERT_EQ((Slot<HRESULT (*)(void *, LONG, VARIANT *, VARIANT *, VARIANT *, VARIANT *, BSTR *,
                              BSTR *, LONG *)>(p, 6)(p, 20, nullptr, nullptr, nullptr, nullptr,
                                                     nullptr, nullptr, &usage)),
            S_OK);
  EXPECT_EQ(usage, 1) << "slot 6 GetParameterInfo";

  ASSERT_EQ((Slot<HRESULT (*)(void *, double, LONG, LONG, VARIANT)>(p, 8)(p, 0.25, StartOffset, 21,
                                                                          I2(40))),
            S_OK);
  ASSERT_EQ((Slot<HRESULT (*)(void *, double, LONG, LONG, VARIANT *)>(p, 7)(p, 0.25, StartOffset,
                                                                            21, &value)),
            S_OK);
  EXPECT_EQ(value.iVal, 40) << "slots 8 SetKeyFrameValue and 7 GetKeyFrameValue";

  ASSERT_EQ(
      (Slot<HRESULT (*)(void *, LONG, LONG, double, double)>(p, 9)(p, 21, StartOffset, 0.25, 0.75)),
      S_OK);
  EXPECT_EQ(parameters->GetKeyFrameValue(0.75, StartOffset, 21, &value), S_OK)
      << "slot 9 MoveKeyFrameValue";
  ASSERT_EQ(parameters->SetKeyFrameValue(0.25, StartOffset, 21, I2(80)), S_OK);

  ULONG count = 0;
  ASSERT_EQ((Slot<HRESULT (*)(void *, LONG, ULONG *)>(p, 10)(p, 21, &count)), S_OK);
  EXPECT_EQ(count, 2u) << "slot 10 GetKeyFrameCount";

  double times[2] = {};
  LONG codes[2] = {};
  ASSERT_EQ((Slot<HRESULT (*)(void *, LONG, double *, LONG *)>(p, 11)(p, 21, times, codes)), S_OK);
  EXPECT_EQ(times[0], 0.25) << "slot 11 GetKeyFrameTimes";
  EXPECT_EQ(times[1], 0.75);
  EXPECT_EQ(codes[1], StartOffset);

  double previous = 0, next = 0;
  ASSERT_EQ((Slot<HRESULT (*)(void *, double, LONG, double *, double *)>(p, 16)(p, 0.5, 21,
                                                                                &previous, &next)),
            S_OK);
  EXPECT_EQ(previous, 0.25) << "slot 16 GetNeighbourKeyFrames";
  EXPECT_EQ(next, 0.75);

  ASSERT_EQ((Slot<HRESULT (*)(void *, double, LONG, VARIANT *)>(p, 17)(p, 0.5, 21, &value)), S_OK);
  EXPECT_EQ(value.dblVal, 60.0) << "slot 17 GetValueAtTime";
  ASSERT_EQ(
      (Slot<HRESULT (*)(void *, double, LONG, BOOL, VARIANT *)>(p, 18)(p, 1.0, 21, FALSE, &value)),
      S_OK);
  EXPECT_EQ(value.dblVal, 20.0) << "slot 18 GetCurveValueAtTime carries the line on";

  ASSERT_EQ((Slot<HRESULT (*)(void *, LONG, double, LONG)>(p, 12)(p, 21, 0.75, StartOffset)), S_OK);
  EXPECT_EQ(parameters->GetKeyFrameCount(21, &count), S_OK);
  EXPECT_EQ(count, 1u) << "slot 12 RemoveKeyFrameValue";
  ASSERT_EQ((Slot<HRESULT (*)(void *, LONG, LONG)>(p, 13)(p, 21, AllTimeBases)), S_OK);
  EXPECT_EQ(parameters->GetKeyFrameCount(21, &count), S_OK);
  EXPECT_EQ(count, 0u) << "slot 13 RemoveAllKeyFrameValues";

  ASSERT_EQ((Slot<HRESULT (*)(void *, LONG, VARIANT)>(p, 15)(p, 21, I2(33))), S_OK);
  EXPECT_EQ((Slot<HRESULT (*)(void *, LONG, VARIANT)>(p, 15)(p, 21, R8(1))), E_INVALIDARG);
  ASSERT_EQ((Slot<HRESULT (*)(void *, LONG, VARIANT *)>(p, 14)(p, 21, &value)), S_OK);
  EXPECT_EQ(value.iVal, 33) << "slots 15 SetValue and 14 GetValue";

  CComPtr<IXMLDOMElement> host = NewHostElement();
  ASSERT_EQ((Slot<HRESULT (*)(void *, IXMLDOMNode *)>(p, 20)(p, host)), S_OK);
  EXPECT_EQ(ChildNames(host), std::vector<std::string>{"ParameterSet"}) << "slot 20 SaveParameters";
  ASSERT_EQ(parameters->SetValue(21, I2(1)), S_OK);
  ASSERT_EQ((Slot<HRESULT (*)(void *, IUnknown *)>(p, 19)(p, static_cast<IXMLDOMNode *>(host))),
            S_OK);
  ASSERT_EQ(parameters->GetValue(21, &value), S_OK);
  EXPECT_EQ(value.iVal, 33) << "slot 19 LoadParameters";

  EXPECT_EQ((Slot<HRESULT (*)(void *)>(p, 21)(p)), E_NOTIMPL)
      << "slot 21 belongs to the effect object";
}

TEST(EffectParametersSlots, TheTableInterfaceSlotsReachTheTable) {
  CComPtr<IEffectParameters> parameters = NewEffectParameters();
  CComPtr<IParameterTable> table;
  ASSERT_EQ(parameters->QueryInterface(IID_IParameterTable, reinterpret_cast<void **>(&table)),
            S_OK);
  void *p = table.p;
  Owned value, high;

  ULONG count = 0;
  ASSERT_EQ((Slot<HRESULT (*)(void *, ULONG *)>(p, 3)(p, &count)), S_OK);
  EXPECT_EQ(count, 4u) << "slot 3 GetCount";
  ASSERT_EQ((Slot<HRESULT (*)(void *, LONG, VARIANT *)>(p, 4)(p, 0, &value)), S_OK);
  EXPECT_EQ(value.lVal, 2002) << "slot 4 GetValue";
  VARTYPE vt = VT_EMPTY;
  ASSERT_EQ((Slot<HRESULT (*)(void *, LONG, VARTYPE *)>(p, 5)(p, 20, &vt)), S_OK);
  EXPECT_EQ(vt, VT_R8) << "slot 5 GetType";
  CComBSTR name, desc;
  ASSERT_EQ((Slot<HRESULT (*)(void *, LONG, BSTR *)>(p, 6)(p, 1000, &name)), S_OK);
  EXPECT_EQ(std::u16string(name), u"Inputs") << "slot 6 GetName";
  ASSERT_EQ((Slot<HRESULT (*)(void *, LONG, BSTR *)>(p, 7)(p, 1000, &desc)), S_OK);
  EXPECT_EQ(std::u16string(desc), u"number of inputs") << "slot 7 GetDescription";
  ASSERT_EQ((Slot<HRESULT (*)(void *, LONG, VARIANT *, VARIANT *)>(p, 8)(p, 21, &value, &high)),
            S_OK);
  EXPECT_EQ(high.iVal, 100) << "slot 8 GetRange";
  LONG usage = 0;
  ASSERT_EQ((Slot<HRESULT (*)(void *, LONG, LONG *)>(p, 9)(p, 21, &usage)), S_OK);
  EXPECT_EQ(usage, 1) << "slot 9 GetUsage";
  ASSERT_EQ((Slot<HRESULT (*)(void *, LONG, VARIANT *)>(p, 10)(p, 0, &value)), S_OK);
  EXPECT_EQ(value.lVal, 2002) << "slot 10 GetDefault";
}

TEST(EffectParametersObject, InterfacesShareOneIdentityAndOneCount) {
  CComPtr<IEffectParameters> parameters = NewEffectParameters();
  CComPtr<IUnknown> unknown;
  ASSERT_EQ(parameters->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&unknown)), S_OK);
  EXPECT_EQ(unknown.p, static_cast<IUnknown *>(parameters.p));

  CComPtr<IParameterTable> table;
  ASSERT_EQ(parameters->QueryInterface(IID_IParameterTable, reinterpret_cast<void **>(&table)),
            S_OK);
  CComPtr<IEffectParameters> back;
  ASSERT_EQ(table->QueryInterface(IID_IEffectParameters, reinterpret_cast<void **>(&back)), S_OK);
  EXPECT_EQ(back.p, parameters.p) << "the table answers for the object it lives in";
  CComPtr<IUnknown> tableUnknown;
  ASSERT_EQ(table->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&tableUnknown)), S_OK);
  EXPECT_EQ(tableUnknown.p, unknown.p);

  void *other = reinterpret_cast<void *>(1);
  EXPECT_EQ(parameters->QueryInterface(IID_IXMLDOMNode, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(parameters->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

  // Five references now: parameters, unknown, table, back, tableUnknown.
  EXPECT_EQ(table->AddRef(), 6u);
  EXPECT_EQ(parameters->Release(), 5u);
  // The table's reference alone keeps the object alive; the sanitizer run sees it freed.
  IParameterTable *last = table.Detach();
  unknown.Release();
  back.Release();
  tableUnknown.Release();
  parameters.Release();
  ULONG count = 0;
  EXPECT_EQ(last->GetCount(&count), S_OK);
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(last->Release(), 0u);
}
