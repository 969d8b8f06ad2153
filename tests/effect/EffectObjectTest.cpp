// The effect object's interfaces, its one reference count, and its parameters as a host meets
// them.
#include "ReferenceCount.h"
#include "effect/EffectObjectFixture.h"
#include "module/ModuleLockCount.h"
#include "params/XmlTestDocuments.h"

namespace zrq::test {
namespace {

TEST(EffectObject, EveryInterfaceSharesOneIdentityAndCount) {
  EffectObject e;
  ASSERT_TRUE(e.unknown && e.device && e.software && e.parameters && e.xml);
  CComPtr<IZRQDistortion2DEffect> own;
  ASSERT_EQ(e.unknown->QueryInterface(IID_IZRQDistortion2DEffect, reinterpret_cast<void **>(&own)),
            S_OK);
  EXPECT_EQ(static_cast<IUnknown *>(own.p), e.unknown.p);

  CComPtr<ISpecifyPropertyPages> pages;
  ASSERT_EQ(e.device->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void **>(&pages)),
            S_OK);
  CComPtr<IUnknown> back;
  ASSERT_EQ(pages->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&back)), S_OK);
  EXPECT_EQ(back.p, e.unknown.p);

  // Five holders in the fixture, `own`, `pages` and `back`: one count for all of them.
  EXPECT_EQ(ReferenceCount(e.software), 8u);
  back.Release();
  EXPECT_EQ(ReferenceCount(e.parameters), 7u);
}

TEST(EffectObject, RefusesUnknownInterfacesAndTheParameterTable) {
  EffectObject e;
  void *out = reinterpret_cast<void *>(0x1);
  EXPECT_EQ(e.unknown->QueryInterface(IID_IParameterTable, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  out = reinterpret_cast<void *>(0x1);
  EXPECT_EQ(e.unknown->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(e.unknown->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST(EffectObject, CreationRefusesAggregationAndNullOut) {
  void *out = reinterpret_cast<void *>(0x1);
  CComPtr<IUnknown> outer;
  EffectObject donor;
  EXPECT_EQ(ZRQDistortion2DEffect::CreateInstance(donor.unknown, IID_IUnknown, &out),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(ZRQDistortion2DEffect::CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
  // A refused interface destroys the new object again: the module's count is back.
  const LONG locks = ModuleLockCount();
  EXPECT_EQ(ZRQDistortion2DEffect::CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(ModuleLockCount(), locks);
}

TEST(EffectObject, EachLiveObjectHoldsOneModuleLock) {
  const LONG before = ModuleLockCount();
  {
    EffectObject a, b;
    EXPECT_EQ(ModuleLockCount(), before + 2);
  }
  EXPECT_EQ(ModuleLockCount(), before);
}

TEST(EffectObject, InputQueries) {
  EffectObject e;
  LONG value = 7;
  EXPECT_EQ(e.device->GetInputCount(&value), S_OK);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(e.device->GetInputCount(nullptr), E_POINTER);
  EXPECT_EQ(e.device->GetInputInfo(0, &value), S_OK);
  EXPECT_EQ(value, 0);
  value = 7;
  EXPECT_EQ(e.device->GetInputInfo(1, &value), E_INVALIDARG);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(e.device->GetInputInfo(0, nullptr), E_POINTER);
  EXPECT_EQ(e.device->Reserved(), S_OK);
  EXPECT_EQ(e.device->ReservedValue(12), S_OK);
  EXPECT_EQ(e.software->Reserved(), S_OK);
  EXPECT_EQ(e.software->ReservedPair(1, 2), S_OK);
  EXPECT_EQ(e.software->ReservedValue(3), S_OK);
}

TEST(EffectObject, NamesThePropertyPageInTaskMemory) {
  EffectObject e;
  CComPtr<ISpecifyPropertyPages> pages;
  ASSERT_EQ(e.unknown->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void **>(&pages)),
            S_OK);
  CAUUID ids{};
  ASSERT_EQ(pages->GetPages(&ids), S_OK);
  ASSERT_EQ(ids.cElems, 1u);
  EXPECT_EQ(ids.pElems[0], CLSID_ZRQDistortion2DProp);
  CoTaskMemFree(ids.pElems);
  EXPECT_EQ(pages->GetPages(nullptr), E_POINTER);
}

TEST(EffectObject, StartsWithTheEffectsFourParameters) {
  EffectObject e;
  CComVariant value;
  ASSERT_EQ(e.parameters->GetValue(EffectIdParameter, &value), S_OK);
  EXPECT_EQ(value.vt, VT_I4);
  EXPECT_EQ(value.lVal, ReplicateEffectId);
  value.Clear();
  ASSERT_EQ(e.parameters->GetValue(EffectValueParameter, &value), S_OK);
  EXPECT_EQ(value.vt, VT_I2);
  EXPECT_EQ(value.iVal, 50);
  value.Clear();
  ASSERT_EQ(e.parameters->GetValue(CurrentTimeParameter, &value), S_OK);
  EXPECT_EQ(value.vt, VT_R8);
  EXPECT_EQ(value.dblVal, 0.0);
  value.Clear();
  ASSERT_EQ(e.parameters->GetValue(InputsParameter, &value), S_OK);
  EXPECT_EQ(value.lVal, 1);
  ULONG count = 9;
  EXPECT_EQ(e.parameters->GetKeyFrameCount(EffectValueParameter, &count), S_OK);
  EXPECT_EQ(count, 0u);
}

// Both load slots are one operation: a load that names another effect rebuilds the processor,
// which shows as a frame that can now be prepared on the software path.
TEST(EffectObject, BothLoadSlotsLoadAndReapply) {
  EffectObject source;
  ASSERT_EQ(source.SetEffectId(WaveEffectId), S_OK);
  ASSERT_EQ(source.Key(0.0, 40), S_OK);
  CComPtr<IXMLDOMElement> project = NewHostElement();
  ASSERT_EQ(source.parameters->SaveParameters(project), S_OK);

  for (int slot = 0; slot < 2; ++slot) {
    EffectObject e;
    ASSERT_EQ(e.software->SetFrameSize(8, 8, 0, 0), S_OK);
    EXPECT_EQ(e.software->PrepareSoftwareFrame(0.0, 0, 0), E_FAIL); // no processor yet
    const HRESULT hr =
        slot == 0 ? e.parameters->LoadParameters(project) : e.xml->LoadParameters(project);
    EXPECT_EQ(hr, S_OK) << "slot " << slot;
    EXPECT_EQ(e.software->PrepareSoftwareFrame(0.0, 0, 0), S_OK) << "slot " << slot;
    CComVariant id;
    ASSERT_EQ(e.parameters->GetValue(EffectIdParameter, &id), S_OK);
    EXPECT_EQ(id.lVal, WaveEffectId);
  }
}

// A load that passed something over says so (S_FALSE) and still rebuilds what it drives.
TEST(EffectObject, ALoadKeepsItsWarningAfterTheReapply) {
  const std::string key = Typed("Value", "i2", "1");
  const std::string passedOver = "<Host><PercentageElements><KeyFrame><Time>0.5</Time><Parameter>" +
                                 key + "<ParamID>21</ParamID></Parameter><Parameter>" + key +
                                 "</Parameter></KeyFrame></PercentageElements></Host>";
  EffectObject e;
  ASSERT_EQ(e.software->SetFrameSize(4, 4, 0, 0), S_OK);
  EXPECT_EQ(LoadXml(e.parameters, passedOver), S_FALSE);
  EXPECT_EQ(e.software->PrepareSoftwareFrame(0.0, 0, 0), S_OK) << "the processor was made";
}

TEST(EffectObject, SaveSlotsWriteTheSameSet) {
  EffectObject e;
  ASSERT_EQ(e.Key(0.5, 75), S_OK);
  CComPtr<IXMLDOMElement> first = NewHostElement(), second = NewHostElement();
  ASSERT_EQ(e.parameters->SaveParameters(first), S_OK);
  ASSERT_EQ(e.xml->SaveParameters(second), S_OK);
  EXPECT_EQ(XmlOf(first), XmlOf(second));
  EXPECT_NE(XmlOf(first).find("75"), std::string::npos);
}

} // namespace
} // namespace zrq::test
