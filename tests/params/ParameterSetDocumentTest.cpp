// Parameter sets in files of their own: the statuses and reasons a host shows its user.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "VariantHelpers.h"
#include "XmlTestDocuments.h"
#include "params/EffectParameters.h"
#include "params/ParameterSetDocument.h"

namespace {

class ParameterSetDocument : public ::testing::Test {
protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("zrq-params-doc-" +
              std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    parameters = NewEffectParameters();
    ASSERT_EQ(parameters->SetKeyFrameValue(0.5, StartOffset, 21, I2(70)), S_OK);
    before = Describe(parameters);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  std::string Write(const char *name, const std::string &text) {
    const std::filesystem::path path = folder / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  std::filesystem::path folder;
  CComPtr<IEffectParameters> parameters;
  std::string before;
};

} // namespace

TEST_F(ParameterSetDocument, LoadFailuresSayWhatWentWrongAndChangeNothing) {
  std::string reason;
  const std::string missing = (folder / "missing.xml").string();
  EXPECT_EQ(LoadParameterSetDocument(missing, parameters, &reason),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_NE(reason.find("no such file"), std::string::npos) << reason;

  const std::string broken = Write("broken.xml", "<Host><ParameterSet>");
  EXPECT_EQ(LoadParameterSetDocument(broken, parameters, &reason), HRESULT_FROM_WIN32(13L));
  EXPECT_NE(reason.find("not a well-formed XML document"), std::string::npos) << reason;
  const std::string mismatched =
      Write("mismatched.xml",
            "<Host>\n  <ParameterSet>\n    <Value>1</Value>\n  </Parameters>\n</Host>\n");
  EXPECT_EQ(LoadParameterSetDocument(mismatched, parameters, &reason), HRESULT_FROM_WIN32(13L));
  EXPECT_EQ(reason, "'" + mismatched +
                        "' is not a well-formed XML document: line 4, column 5: the end tag does "
                        "not match the start tag");

  EXPECT_EQ(LoadParameterSetDocument(folder.string(), parameters, &reason),
            HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
  EXPECT_NE(reason.find("it is a folder"), std::string::npos) << reason;
  // A name longer than the system takes is not a matter of permissions.
  const std::string tooLong = (folder / std::string(300, 'n')).string();
  EXPECT_EQ(LoadParameterSetDocument(tooLong, parameters, &reason), HRESULT_FROM_WIN32(206L));
  EXPECT_NE(reason.find("the name is too long"), std::string::npos) << reason;

  const std::string badTime = Write("time.xml", "<Host><StartOffsetElements><KeyFrame><Time>x</"
                                                "Time></KeyFrame></StartOffsetElements></Host>");
  EXPECT_EQ(LoadParameterSetDocument(badTime, parameters, &reason), DISP_E_TYPEMISMATCH);
  EXPECT_NE(reason.find(badTime), std::string::npos) << reason;
  EXPECT_NE(reason.find("nothing was loaded"), std::string::npos) << reason;

  EXPECT_EQ(Describe(parameters), before);
}

TEST_F(ParameterSetDocument, ASkippedKeyFrameParameterIsReportedButLoads) {
  std::string reason;
  const std::string path =
      Write("unnamed.xml",
            "<Host><PercentageElements><KeyFrame><Time>0.5</Time><Parameter><Value>1</Value>"
            "</Parameter></KeyFrame></PercentageElements></Host>");
  EXPECT_EQ(LoadParameterSetDocument(path, parameters, &reason), S_FALSE);
  EXPECT_FALSE(reason.empty());
  EXPECT_NE(Describe(parameters), before) << "the key frames were replaced";
}

TEST_F(ParameterSetDocument, SaveFailuresLeaveNoFileBehind) {
  std::string reason;
  const std::string nowhere = (folder / "no-such-folder" / "set.xml").string();
  EXPECT_EQ(SaveParameterSetDocument(nowhere, parameters, "Project", &reason),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_NE(reason.find("folder does not exist"), std::string::npos) << reason;

  const std::string path = (folder / "set.xml").string();
  EXPECT_EQ(SaveParameterSetDocument(path, parameters, "not a name", &reason), E_INVALIDARG);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(SaveParameterSetDocument(path, nullptr, "Project", &reason), E_POINTER);
}

TEST_F(ParameterSetDocument, TheFormattedTextIsADocumentThatLoadsBackTheSameSet) {
  std::string text, reason;
  ASSERT_EQ(FormatParameterSetDocument(parameters, "Project", &text, &reason), S_OK) << reason;
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Project>", 0), 0u) << text;
  CComPtr<IEffectParameters> loaded = NewEffectParameters();
  ASSERT_EQ(LoadParameterSetDocument(Write("formatted.xml", text), loaded, &reason), S_OK)
      << reason;
  EXPECT_EQ(Describe(loaded), before);

  EXPECT_EQ(FormatParameterSetDocument(parameters, "not a name", &text, &reason), E_INVALIDARG);
  EXPECT_EQ(FormatParameterSetDocument(nullptr, "Project", &text, &reason), E_POINTER);
}
