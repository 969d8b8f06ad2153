// Loading a parameter set from a host's element: the merge into the table, the key-frame
// groups, the statuses, and that a load that fails changes nothing.
#include <gtest/gtest.h>

#include "VariantHelpers.h"
#include "XmlTestDocuments.h"
#include "params/EffectParameters.h"

namespace {

std::string Document(const std::string &content) { return "<Host>" + content + "</Host>"; }
std::string Set(const std::string &parameters) {
  return "<ParameterSet>" + parameters + "</ParameterSet>";
}
std::string Parameter(const std::string &fields) { return "<Parameter>" + fields + "</Parameter>"; }
std::string KeyFrameXml(const std::string &time, const std::string &parameters) {
  return "<KeyFrame><Time>" + time + "</Time>" + parameters + "</KeyFrame>";
}
std::string ById(LONG id, const std::string &value) {
  return Parameter(Typed("Value", "i2", value) + "<ParamID>" + std::to_string(id) + "</ParamID>");
}

class ParameterSetLoad : public ::testing::Test {
protected:
  void SetUp() override {
    parameters = NewEffectParameters();
    ASSERT_EQ(parameters->SetKeyFrameValue(0.25, StartOffset, 21, I2(40)), S_OK);
    ASSERT_EQ(parameters->SetKeyFrameValue(0.5, Percentage, 21, I2(60)), S_OK);
  }

  // The stored value, read into holder.
  const Owned &Value(LONG id) {
    VariantClear(&holder);
    EXPECT_EQ(parameters->GetValue(id, &holder), S_OK);
    return holder;
  }

  ULONG KeyFrames(LONG id) {
    ULONG count = 0;
    EXPECT_EQ(parameters->GetKeyFrameCount(id, &count), S_OK);
    return count;
  }

  CComPtr<IEffectParameters> parameters;
  Owned holder;
};

} // namespace

// ---- The merge ----

TEST_F(ParameterSetLoad, ARecordMatchedByNameTakesTheValueAndKeepsTheRest) {
  ASSERT_EQ(LoadXml(parameters, Document(Set(Parameter(Typed("Value", "i2", "75") +
                                                       "<Name>Effect Value</Name>")))),
            S_OK);
  Owned value, low, high, def;
  CComBSTR name, desc;
  LONG usage = 0;
  ASSERT_EQ(parameters->GetParameterInfo(21, &value, &low, &high, &def, &name, &desc, &usage),
            S_OK);
  EXPECT_EQ(value.vt, VT_I2);
  EXPECT_EQ(value.iVal, 75);
  EXPECT_EQ(low.iVal, 0);
  EXPECT_EQ(high.iVal, 100);
  EXPECT_EQ(def.iVal, 50);
  EXPECT_EQ(std::u16string(desc), u"Effect Value");
  EXPECT_EQ(usage, 1) << "a missing usage keeps the table's";
}

TEST_F(ParameterSetLoad, ARecordMatchedByIdReplacesEveryFieldItGives) {
  ASSERT_EQ(LoadXml(parameters,
                    Document(Set(Parameter("<ParamID>21</ParamID>" + Typed("Value", "i4", "60") +
                                           Typed("ValueMax", "i2", "90") + "<Usage>3</Usage>" +
                                           "<Name>Strength</Name><Desc>how strong</Desc>")))),
            S_OK);
  Owned value, high;
  CComBSTR name, desc;
  LONG usage = 0;
  ASSERT_EQ(parameters->GetParameterInfo(21, &value, nullptr, &high, nullptr, &name, &desc, &usage),
            S_OK);
  EXPECT_EQ(value.vt, VT_I4) << "no type check: the document's type replaces the table's";
  EXPECT_EQ(value.lVal, 60);
  EXPECT_EQ(high.iVal, 90);
  EXPECT_EQ(std::u16string(name), u"Strength");
  EXPECT_EQ(std::u16string(desc), u"how strong");
  EXPECT_EQ(usage, 3);
  EXPECT_EQ(parameters->SetValue(21, I2(10)), E_INVALIDARG) << "the value now is an i4";
}

TEST_F(ParameterSetLoad, ARecordWithoutAValueLeavesTheParameterEmpty) {
  ASSERT_EQ(LoadXml(parameters, Document(Set(Parameter("<Name>Effect Value</Name>")))), S_OK);
  EXPECT_EQ(Value(21).vt, VT_EMPTY);
  EXPECT_EQ(Value(20).vt, VT_R8) << "only the matching record changes";
}

TEST_F(ParameterSetLoad, AnUntypedValueIsItsText) {
  ASSERT_EQ(LoadXml(parameters,
                    Document(Set(Parameter("<Value>fifty</Value><Name>Effect Value</Name>")))),
            S_OK);
  EXPECT_EQ(Value(21).vt, VT_BSTR);
  EXPECT_EQ(Value(21).Text(), u"fifty");
}

TEST_F(ParameterSetLoad, ARecordMatchingNothingIsDropped) {
  const std::string before = Describe(parameters);
  ASSERT_EQ(LoadXml(parameters, Document(Set(Parameter("<ParamID>99</ParamID><Name>Nobody</Name>" +
                                                       Typed("Value", "i4", "1"))))),
            S_OK);
  LONG id = 0;
  EXPECT_EQ(parameters->GetParameterId(4, &id), E_INVALIDARG) << "loading never adds parameters";
  // The key frames were replaced by the document's, which has none.
  EXPECT_EQ(KeyFrames(21), 0u);
  EXPECT_NE(Describe(parameters), before);
}

TEST_F(ParameterSetLoad, EveryParameterSetIsMergedInDocumentOrder) {
  ASSERT_EQ(
      LoadXml(parameters,
              Document(Set(Parameter(Typed("Value", "i2", "1") + "<Name>Effect Value</Name>")) +
                       Set(Parameter(Typed("Value", "i2", "2") + "<Name>Effect Value</Name>")))),
      S_OK);
  EXPECT_EQ(Value(21).iVal, 2);
}

// ---- Key frames ----

TEST_F(ParameterSetLoad, ADocumentWithoutGroupsRemovesAllKeyFrames) {
  ASSERT_EQ(LoadXml(parameters, Document("")), S_OK);
  EXPECT_EQ(KeyFrames(21), 0u);
}

TEST_F(ParameterSetLoad, KeyFramesGoToTheirGroupsByIdOrName) {
  Owned before; // the curve of the key frames the load replaces
  ASSERT_EQ(parameters->GetCurveValueAtTime(0.1, 21, TRUE, &before), S_OK);
  ASSERT_EQ(
      LoadXml(parameters, Document("<EndOffsetElements>" + KeyFrameXml("0.5", ById(21, "10")) +
                                   "</EndOffsetElements>" + "<StartOffsetElements>" +
                                   KeyFrameXml("0.75", Parameter(Typed("Value", "r8", "0.5") +
                                                                 "<Name>Current Time</Name>")) +
                                   "</StartOffsetElements>")),
      S_OK);
  Owned value;
  ASSERT_EQ(parameters->GetKeyFrameValue(0.5, EndOffset, 21, &value), S_OK);
  EXPECT_EQ(value.iVal, 10);
  ASSERT_EQ(parameters->GetKeyFrameValue(0.75, StartOffset, 20, &value), S_OK);
  EXPECT_EQ(value.dblVal, 0.5);
  EXPECT_EQ(KeyFrames(21), 1u) << "the earlier key frames are gone";
  // Evaluation finds only the loaded key frame, and edits after the load find it too.
  Owned curve;
  ASSERT_EQ(parameters->GetCurveValueAtTime(0.1, 21, TRUE, &curve), S_OK);
  EXPECT_EQ(curve.dblVal, 10.0);
  Owned at;
  ASSERT_EQ(parameters->GetValueAtTime(0.1, 21, &at), S_OK);
  EXPECT_EQ(at.dblVal, 10.0);
  ASSERT_EQ(parameters->RemoveKeyFrameValue(21, 0.5, EndOffset), S_OK);
  EXPECT_EQ(KeyFrames(21), 0u);
}

TEST_F(ParameterSetLoad, TheFirstKeyFrameAtATimeWins) {
  ASSERT_EQ(
      LoadXml(parameters, Document("<PercentageElements>" + KeyFrameXml("0.5", ById(21, "1")) +
                                   KeyFrameXml("0.5", ById(21, "2") + ById(20, "3")) +
                                   "</PercentageElements>")),
      S_OK);
  Owned value;
  ASSERT_EQ(parameters->GetKeyFrameValue(0.5, Percentage, 21, &value), S_OK);
  EXPECT_EQ(value.iVal, 1);
  EXPECT_EQ(KeyFrames(20), 0u) << "nothing of the second key frame is kept";
}

TEST_F(ParameterSetLoad, OnlyPositiveKnownIdsAreKeyFramed) {
  ASSERT_EQ(
      LoadXml(parameters, Document("<StartOffsetElements>" +
                                   KeyFrameXml("0.5", ById(0, "1") + ById(-3, "1") +
                                                          Parameter(Typed("Value", "i2", "1") +
                                                                    "<Name>Nobody</Name>") +
                                                          ById(77, "5") + ById(77, "6")) +
                                   "</StartOffsetElements>")),
      S_OK);
  EXPECT_EQ(KeyFrames(0), 0u) << "Effect ID cannot be key-framed from a document";
  EXPECT_EQ(KeyFrames(-3), 0u);
  Owned value;
  ASSERT_EQ(parameters->GetKeyFrameValue(0.5, StartOffset, 77, &value), S_OK)
      << "ids the table lacks are kept";
  EXPECT_EQ(value.iVal, 6) << "a later value for an id replaces the earlier";
}

TEST_F(ParameterSetLoad, AKeyFrameWithoutTimeIsSkippedAndAnEmptyOneKept) {
  ASSERT_EQ(
      LoadXml(parameters, Document("<StartOffsetElements><KeyFrame>" + ById(21, "9") +
                                   "</KeyFrame>" + KeyFrameXml("0.3", "") +
                                   KeyFrameXml("0.6", ById(21, "7")) + "</StartOffsetElements>")),
      S_OK);
  EXPECT_EQ(KeyFrames(21), 1u);
  // The empty key frame is invisible to the value operations but saved again.
  CComPtr<IXMLDOMElement> host = NewHostElement();
  ASSERT_EQ(parameters->SaveParameters(host), S_OK);
  EXPECT_EQ(ChildElements(ChildElements(host)[1]).size(), 2u) << XmlOf(host);
}

TEST_F(ParameterSetLoad, SFalseWhenTheLastKeyFrameParameterOfPercentageNamesNothing) {
  const std::string unnamed = Parameter(Typed("Value", "i2", "1"));
  EXPECT_EQ(LoadXml(parameters,
                    Document("<PercentageElements>" + KeyFrameXml("0.5", ById(21, "1") + unnamed) +
                             "</PercentageElements>")),
            S_FALSE);
  EXPECT_EQ(KeyFrames(21), 1u) << "the load itself succeeded";
  EXPECT_EQ(LoadXml(parameters,
                    Document("<PercentageElements>" + KeyFrameXml("0.5", unnamed + ById(21, "1")) +
                             "</PercentageElements>")),
            S_OK);
  EXPECT_EQ(LoadXml(parameters, Document("<StartOffsetElements>" + KeyFrameXml("0.5", unnamed) +
                                         "</StartOffsetElements>")),
            S_OK)
      << "only the last group's reading gives the result";
}

// ---- What is not an element, and what cannot be read ----

TEST_F(ParameterSetLoad, ANodeThatIsNoElementLoadsNothing) {
  const std::string before = Describe(parameters);
  EXPECT_EQ(parameters->LoadParameters(nullptr), S_OK);
  CComPtr<IXMLDOMDocument> document = ParseDocument(Document(""));
  EXPECT_EQ(parameters->LoadParameters(document), S_OK);
  EXPECT_EQ(Describe(parameters), before);
}

struct BadDocument {
  const char *what;
  std::string xml;
  HRESULT status;
};

class ParameterSetLoadFailure : public ParameterSetLoad,
                                public ::testing::WithParamInterface<BadDocument> {};

TEST_P(ParameterSetLoadFailure, FailsWithTheConversionsStatusAndChangesNothing) {
  const std::string before = Describe(parameters);
  EXPECT_EQ(LoadXml(parameters, GetParam().xml), GetParam().status);
  EXPECT_EQ(Describe(parameters), before);
}

// Each document has a good "ParameterSet" and good key frames before the fault, so a load
// that applied what it had read so far would show.
const std::string kGoodPart =
    Set(Parameter(Typed("Value", "i2", "99") + "<Name>Effect Value</Name>")) +
    "<StartOffsetElements>" + KeyFrameXml("0.9", ById(21, "3")) + "</StartOffsetElements>";

INSTANTIATE_TEST_SUITE_P(
    Conversions, ParameterSetLoadFailure,
    ::testing::Values(
        BadDocument{"ParamIdNotANumber",
                    Document(kGoodPart + Set(Parameter("<ParamID>twenty</ParamID>"))),
                    DISP_E_TYPEMISMATCH},
        BadDocument{
            "UsageOutOfRange",
            Document(kGoodPart + Set(Parameter("<Name>Inputs</Name><Usage>4294967296</Usage>"))),
            DISP_E_OVERFLOW},
        BadDocument{"KeyFrameParamIdEmpty",
                    Document(kGoodPart + "<PercentageElements>" +
                             KeyFrameXml("0.5", "<Parameter><ParamID/></Parameter>") +
                             "</PercentageElements>"),
                    DISP_E_TYPEMISMATCH},
        BadDocument{"TimeNotANumber",
                    Document(kGoodPart + "<EndOffsetElements>" +
                             KeyFrameXml("later", ById(21, "1")) + "</EndOffsetElements>"),
                    DISP_E_TYPEMISMATCH},
        // r8 has no NaN: the text is not a value of the type.
        BadDocument{"TimeNaN",
                    Document(kGoodPart + "<PercentageElements><KeyFrame>" +
                             Typed("Time", "r8", "NaN") + "</KeyFrame></PercentageElements>"),
                    DISP_E_TYPEMISMATCH},
        BadDocument{"TypedValueOutOfItsRange",
                    Document(kGoodPart +
                             Set(Parameter(Typed("Value", "ui1", "256") + "<Name>Inputs</Name>"))),
                    DISP_E_OVERFLOW},
        BadDocument{"TypedValueNotOfItsType",
                    Document(kGoodPart + "<PercentageElements>" +
                             KeyFrameXml("0.5", Parameter(Typed("Value", "r8", "half") +
                                                          "<ParamID>21</ParamID>")) +
                             "</PercentageElements>"),
                    DISP_E_TYPEMISMATCH}),
    [](const auto &info) { return std::string(info.param.what); });

// ---- Documents of unusual size and shape ----

TEST_F(ParameterSetLoad, AHundredThousandKeyFramesLoad) {
  std::string frames;
  frames.reserve(100000 * 120);
  for (int i = 0; i < 100000; ++i)
    frames += KeyFrameXml(std::to_string(i / 100000.0), ById(21, std::to_string(i % 100)));
  ASSERT_EQ(
      LoadXml(parameters, Document("<StartOffsetElements>" + frames + "</StartOffsetElements>")),
      S_OK);
  EXPECT_EQ(KeyFrames(21), 100000u);
  Owned at;
  ASSERT_EQ(parameters->GetValueAtTime(0.500005, 21, &at), S_OK);
  EXPECT_NEAR(at.dblVal, 0.5, 1e-9); // halfway from 0 (at 0.5) to 1 (at 0.50001)
  // All at one time: one key frame, the first.
  frames.clear();
  for (int i = 0; i < 100000; ++i) frames += KeyFrameXml("0.5", ById(21, std::to_string(i % 100)));
  ASSERT_EQ(
      LoadXml(parameters, Document("<StartOffsetElements>" + frames + "</StartOffsetElements>")),
      S_OK);
  EXPECT_EQ(KeyFrames(21), 1u);
}

TEST_F(ParameterSetLoad, LongTextsAndDeepNestingLoad) {
  const std::string longName(1 << 20, 'n');
  std::string nested;
  for (int i = 0; i < 20000; ++i) nested += "<a>";
  for (int i = 0; i < 20000; ++i) nested += "</a>";
  ASSERT_EQ(
      LoadXml(parameters,
              Document(Set(Parameter("<ParamID>20</ParamID><Name>" + longName + "</Name>") +
                           Parameter("<ParamID>1000</ParamID><Value>" + nested + "</Value>")))),
      S_OK);
  CComBSTR name;
  ASSERT_EQ(
      parameters->GetParameterInfo(20, nullptr, nullptr, nullptr, nullptr, &name, nullptr, nullptr),
      S_OK);
  EXPECT_EQ(name.Length(), longName.size());
  EXPECT_EQ(Value(1000).vt, VT_BSTR);
}

TEST_F(ParameterSetLoad, EntitiesAreNotExpanded) {
  const std::string xml =
      "<!DOCTYPE Host [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY file SYSTEM \"file:///etc/hostname\">]>" +
      Document(Set(Parameter("<Name>Effect Value</Name><Value>&b;&file;&amp;&#65;</Value>")));
  CComPtr<IXMLDOMDocument> document = NewDocument();
  VARIANT_BOOL loaded = VARIANT_FALSE;
  ASSERT_EQ(document->loadXML(CComBSTR(xml.c_str()), &loaded), S_OK);
  ASSERT_EQ(parameters->LoadParameters(DocumentElement(document)), S_OK);
  EXPECT_LT(Value(21).Text().size(), 30u) << "no entity was expanded";
  EXPECT_NE(Value(21).Text().find(u"&A"), std::u16string::npos) << "the predefined ones are";
}
