// Saving a parameter set into a host's element: the element tree, order, data types and
// texts, what a save leaves out, and that what it writes is XML any tool reads and loads
// back to the same set.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "VariantHelpers.h"
#include "XmlTestDocuments.h"
#include "params/EffectParameters.h"
#include "params/ParameterSetDocument.h"

namespace {

struct Expected {
  const char *type;
  const char *text;
};

// Checks that element is <tag dt:dt=type>text</tag>.
void ExpectTyped(IXMLDOMNode *element, const char *tag, Expected expected) {
  EXPECT_EQ(NameOf(element), tag);
  EXPECT_EQ(DataTypeOf(element), expected.type) << tag;
  EXPECT_EQ(TextOf(element), expected.text) << tag;
}

// Checks one key-frame "Parameter": its value and then its "Name" or "ParamID".
void ExpectKeyFrameParameter(IXMLDOMNode *parameter, Expected value, const char *idTag,
                             Expected id) {
  const auto parts = ChildElements(parameter);
  ASSERT_EQ(parts.size(), 2u) << XmlOf(parameter);
  ExpectTyped(parts[0], "Value", value);
  ExpectTyped(parts[1], idTag, id);
}

// Key frames in all three groups, with values of several types, one for an id the table
// does not hold and one of a type that cannot be written.
void AddKeyFramesInEveryGroup(IEffectParameters *parameters) {
  ASSERT_EQ(parameters->SetKeyFrameValue(0.25, StartOffset, 21, I2(40)), S_OK);
  ASSERT_EQ(parameters->SetKeyFrameValue(0.75, StartOffset, 21, I2(80)), S_OK);
  ASSERT_EQ(parameters->SetKeyFrameValue(0.5, EndOffset, 20, R8(0.125)), S_OK);
  ASSERT_EQ(parameters->SetKeyFrameValue(0.5, EndOffset, 77, UI4(4000000000u)), S_OK);
  VARIANT flag = Empty();
  flag.vt = VT_BOOL;
  flag.boolVal = 1; // any non-zero value is true
  ASSERT_EQ(parameters->SetKeyFrameValue(0.1, Percentage, 21, flag), S_OK);
  VARIANT byte = Empty();
  byte.vt = VT_I1;
  byte.cVal = -5;
  ASSERT_EQ(parameters->SetKeyFrameValue(0.9, Percentage, 21, byte), S_OK);
}

} // namespace

TEST(ParameterSetSave, ANewEffectWritesItsFourParametersInTableOrder) {
  CComPtr<IEffectParameters> parameters = NewEffectParameters();
  CComPtr<IXMLDOMElement> host = NewHostElement();
  ASSERT_EQ(parameters->SaveParameters(host), S_OK);

  ASSERT_EQ(ChildNames(host), std::vector<std::string>{"ParameterSet"});
  const auto records = ChildElements(ChildElements(host)[0]);
  ASSERT_EQ(records.size(), 4u);
  const Expected values[] = {{"i4", "1"}, {"i4", "2002"}, {"i2", "50"}, {"r8", "0"}};
  const char *names[] = {"Inputs", "Effect ID", "Effect Value", "Current Time"};
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(NameOf(records[i]), "Parameter");
    const auto fields = ChildElements(records[i]);
    ASSERT_EQ(fields.size(), 2u) << "only the value and the name are saved";
    ExpectTyped(fields[0], "Value", values[i]);
    ExpectTyped(fields[1], "Name", {"string", names[i]});
  }
}

TEST(ParameterSetSave, KeyFramesOfEveryGroupAreWrittenInOrderWithTheirTypes) {
  CComPtr<IEffectParameters> parameters = NewEffectParameters();
  AddKeyFramesInEveryGroup(parameters);
  CComPtr<IXMLDOMElement> host = NewHostElement();
  ASSERT_EQ(parameters->SaveParameters(host), S_OK);

  ASSERT_EQ(ChildNames(host),
            (std::vector<std::string>{"ParameterSet", "StartOffsetElements", "EndOffsetElements",
                                      "PercentageElements"}));
  const auto groups = ChildElements(host);

  const auto start = ChildElements(groups[1]);
  ASSERT_EQ(start.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    ASSERT_EQ(ChildNames(start[i]), (std::vector<std::string>{"Time", "Parameter"}));
    ExpectTyped(ChildElements(start[i])[0], "Time", {"r8", i == 0 ? "0.25" : "0.75"});
    ExpectKeyFrameParameter(ChildElements(start[i])[1], {"i2", i == 0 ? "40" : "80"}, "Name",
                            {"string", "Effect Value"});
  }

  // One key frame, its values in ascending id; id 77 has no record, so it goes by id.
  const auto end = ChildElements(groups[2]);
  ASSERT_EQ(end.size(), 1u);
  ASSERT_EQ(ChildNames(end[0]), (std::vector<std::string>{"Time", "Parameter", "Parameter"}));
  ExpectKeyFrameParameter(ChildElements(end[0])[1], {"r8", "0.125"}, "Name",
                          {"string", "Current Time"});
  ExpectKeyFrameParameter(ChildElements(end[0])[2], {"ui4", "4000000000"}, "ParamID", {"i4", "77"});

  // A Boolean is written as true, a signed byte as its unsigned bits.
  const auto percentage = ChildElements(groups[3]);
  ASSERT_EQ(percentage.size(), 2u);
  ExpectTyped(ChildElements(percentage[0])[0], "Time", {"r8", "0.1"});
  ExpectKeyFrameParameter(ChildElements(percentage[0])[1], {"boolean", "1"}, "Name",
                          {"string", "Effect Value"});
  ExpectKeyFrameParameter(ChildElements(percentage[1])[1], {"ui1", "251"}, "Name",
                          {"string", "Effect Value"});
}

TEST(ParameterSetSave, LeavesOutWhatCannotBeWritten) {
  CComPtr<IEffectParameters> parameters = NewEffectParameters();
  VARIANT big = Empty();
  big.vt = VT_I8;
  big.llVal = 1;
  ASSERT_EQ(parameters->SetKeyFrameValue(0.5, StartOffset, 21, big), S_OK);
  // A record the host added has an empty name, so its key frames go by id.
  LONG id = 500;
  VARIANT value = I4(3);
  ASSERT_EQ(parameters->SetValues(1, &id, &value), S_OK);
  ASSERT_EQ(parameters->SetKeyFrameValue(0.5, StartOffset, 500, I4(4)), S_OK);
  CComPtr<IXMLDOMElement> host = NewHostElement();
  ASSERT_EQ(parameters->SaveParameters(host), S_OK);

  const auto keyFrame = ChildElements(ChildElements(ChildElements(host)[1])[0]);
  ASSERT_EQ(keyFrame.size(), 3u);
  EXPECT_EQ(ChildNames(keyFrame[1]), std::vector<std::string>{"Name"})
      << "a 64-bit value has no data type to go by";
  ExpectKeyFrameParameter(keyFrame[2], {"i4", "4"}, "ParamID", {"i4", "500"});
}

TEST(ParameterSetSave, AWrapperNamedByTheRootElementNameHoldsTheSet) {
  EffectParameters parameters;
  SharedString root;
  ASSERT_EQ(SharedString::Create(u"Distortion", &root), S_OK);
  ParameterRecord record;
  ASSERT_EQ(
      ParameterRecord::Create(21, I2(50), I2(0), I2(100), I2(50), u"Effect Value", u"", 1, &record),
      S_OK);
  ASSERT_EQ(parameters.InitializeParameters(root, &record, 1), S_OK);
  ASSERT_EQ(parameters.SetKeyFrameValue(0.5, StartOffset, 21, I2(7)), S_OK);
  CComPtr<IXMLDOMElement> host = NewHostElement();
  ASSERT_EQ(parameters.SaveParameters(host), S_OK);
  ASSERT_EQ(ChildNames(host), std::vector<std::string>{"Distortion"});
  EXPECT_EQ(ChildNames(ChildElements(host)[0]),
            (std::vector<std::string>{"ParameterSet", "StartOffsetElements"}));

  // The load looks for the same wrapper; a host element without one loads nothing.
  ASSERT_EQ(parameters.SetValue(21, I2(1)), S_OK);
  ASSERT_EQ(parameters.LoadParameters(host), S_OK);
  Owned value;
  ASSERT_EQ(parameters.GetValue(21, &value), S_OK);
  EXPECT_EQ(value.iVal, 50);
  ASSERT_EQ(parameters.SetValue(21, I2(1)), S_OK);
  ASSERT_EQ(parameters.LoadParameters(NewHostElement()), S_OK);
  ASSERT_EQ(parameters.GetValue(21, &value), S_OK);
  EXPECT_EQ(value.iVal, 1);
  ULONG count = 0;
  ASSERT_EQ(parameters.GetKeyFrameCount(21, &count), S_OK);
  EXPECT_EQ(count, 1u) << "no wrapper, so the key frames stay too";
}

TEST(ParameterSetSave, NeedsANodeOfADocument) {
  CComPtr<IEffectParameters> parameters = NewEffectParameters();
  EXPECT_EQ(parameters->SaveParameters(nullptr), E_POINTER);
  // The document itself belongs to no document: nothing to make elements with.
  CComPtr<IXMLDOMDocument> document = NewDocument();
  EXPECT_EQ(parameters->SaveParameters(document), E_INVALIDARG);
  EXPECT_EQ(XmlOf(document), "");
}

TEST(ParameterSetSave, WhatIsSavedReadsBackEqualAndParsesWithXmllint) {
  CComPtr<IEffectParameters> parameters = NewEffectParameters();
  AddKeyFramesInEveryGroup(parameters);
  ASSERT_EQ(parameters->SetValue(20, R8(0.1 + 0.2)), S_OK); // needs every digit to come back
  ASSERT_EQ(parameters->SetValue(0, I4(2007)), S_OK);

  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / "zrq-params-save-test.xml";
  std::string reason;
  ASSERT_EQ(SaveParameterSetDocument(file.string(), parameters, "Project", &reason), S_OK)
      << reason;

  CComPtr<IEffectParameters> loaded = NewEffectParameters();
  ASSERT_EQ(LoadParameterSetDocument(file.string(), loaded, &reason), S_OK) << reason;
  // A Boolean comes back as true itself, a signed byte as the unsigned byte it was written as.
  VARIANT flag = Empty();
  flag.vt = VT_BOOL;
  flag.boolVal = VARIANT_TRUE;
  ASSERT_EQ(parameters->SetKeyFrameValue(0.1, Percentage, 21, flag), S_OK);
  VARIANT byte = Empty();
  byte.vt = VT_UI1;
  byte.bVal = 251;
  ASSERT_EQ(parameters->SetKeyFrameValue(0.9, Percentage, 21, byte), S_OK);
  EXPECT_EQ(Describe(loaded), Describe(parameters));

  if (std::system("command -v xmllint >/dev/null 2>&1") != 0) {
    std::filesystem::remove(file);
    GTEST_SKIP() << "xmllint is not installed; the saved file was not checked by it";
  }
  const std::string command = "xmllint --noout '" + file.string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << std::ifstream(file).rdbuf();
  std::filesystem::remove(file);
}
