// What a failed load says and where: codes, reasons, positions and source lines of
// IXMLDOMParseError, and how each load replaces what the last one said.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/xml/XmlTestSupport.h"

namespace {

struct Report {
  LONG errorCode = -1;
  std::string reason, srcText, url;
  LONG line = -1, linepos = -1, filepos = -1;
};

std::string Utf8(const CComBSTR &text) { return ZrqToUtf8(text, text.Length()); }

Report ReportOf(IXMLDOMDocument *doc) {
  Report report;
  CComPtr<IXMLDOMParseError> error;
  EXPECT_EQ(S_OK, doc->get_parseError(&error));
  if (!error) return report;
  CComBSTR reason, srcText, url;
  EXPECT_EQ(S_OK, error->get_errorCode(&report.errorCode));
  EXPECT_EQ(S_OK, error->get_reason(&reason));
  EXPECT_EQ(S_OK, error->get_srcText(&srcText));
  EXPECT_EQ(S_OK, error->get_url(&url));
  EXPECT_EQ(S_OK, error->get_line(&report.line));
  EXPECT_EQ(S_OK, error->get_linepos(&report.linepos));
  EXPECT_EQ(S_OK, error->get_filepos(&report.filepos));
  report.reason = Utf8(reason);
  report.srcText = Utf8(srcText);
  report.url = Utf8(url);
  return report;
}

Report FailedLoadXML(const std::string &xml) {
  CComPtr<IXMLDOMDocument> doc = NewDocument();
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(S_FALSE, doc->loadXML(CComBSTR(xml.c_str()), &ok)) << xml;
  EXPECT_EQ(VARIANT_FALSE, ok);
  return ReportOf(doc);
}

struct Broken {
  const char *xml;
  LONG line, linepos, filepos;
  const char *reasonPart;
  const char *srcText;
};

std::string TempPath(const char *name) {
  return (std::filesystem::temp_directory_path() /
          (std::string("zrq-perr-") + std::to_string(::getpid()) + name))
      .string();
}

} // namespace

TEST(XmlParseError, BrokenTextIsPlacedByLineAndColumn) {
  const Broken cases[] = {
      // An end tag is placed at its name.
      {"<a>\n  <b>\n</a>", 3, 3, 12, "end tag does not match", "</a>"},
      {"<a>\n<b x=1/></a>", 2, 6, 9, "attribute", "<b x=1/></a>"},
      {"<a>\n  <b", 2, 4, 7, "start tag", "  <b"},
      {"<a/>\n<b/>", 2, 1, 5, "one top-level element", "<b/>"},
      {"<a/>\n  junk", 2, 3, 7, "Text is not allowed", "  junk"},
      {"<a/>\r\n\r\n junk", 3, 2, 9, "Text is not allowed", " junk"},
      {"", 1, 1, 0, "no element", ""},
      {"<!-- only -->\n", 2, 1, 14, "no element", ""},
      // Columns count UTF-16 units: 'é' is one, the clef beyond the BMP two.
      {"<a>\n\xC3\xA9\xF0\x9D\x84\x9E<b></c></a>", 2, 9, 12, "end tag does not match",
       "\xC3\xA9\xF0\x9D\x84\x9E<b></c></a>"},
      {"<a>\r\n<b></c>\r\n</a>", 2, 6, 10, "end tag does not match", "<b></c>"},
  };
  for (const Broken &c : cases) {
    SCOPED_TRACE(c.xml);
    const Report report = FailedLoadXML(c.xml);
    EXPECT_EQ(static_cast<LONG>(E_FAIL), report.errorCode);
    EXPECT_NE(std::string::npos, report.reason.find(c.reasonPart)) << report.reason;
    EXPECT_EQ(c.line, report.line);
    EXPECT_EQ(c.linepos, report.linepos);
    EXPECT_EQ(c.filepos, report.filepos);
    EXPECT_EQ(c.srcText, report.srcText);
    EXPECT_EQ("", report.url);
  }
}

TEST(XmlParseError, ALongLineShowsTheErrorInItsSourceText) {
  const std::string xml = "<a>" + std::string(5000, 'x') + "</b>";
  const Report report = FailedLoadXML(xml);
  EXPECT_EQ(1, report.line);
  EXPECT_EQ(5006, report.linepos);
  EXPECT_LE(report.srcText.size(), 256u);
  EXPECT_NE(std::string::npos, report.srcText.find("</b>")) << report.srcText;
}

TEST(XmlParseError, EachLoadReplacesTheLastError) {
  CComPtr<IXMLDOMDocument> doc = NewDocument();
  // A fresh document has loaded nothing, so nothing went wrong.
  EXPECT_EQ(0, ReportOf(doc).errorCode);

  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(S_FALSE, doc->loadXML(CComBSTR("<a><b></a>"), &ok));
  CComPtr<IXMLDOMParseError> earlier;
  ASSERT_EQ(S_OK, doc->get_parseError(&earlier));

  ASSERT_EQ(S_OK, doc->loadXML(CComBSTR("<a/>"), &ok));
  const Report success = ReportOf(doc);
  EXPECT_EQ(0, success.errorCode);
  EXPECT_EQ("", success.reason);
  EXPECT_EQ("", success.srcText);

  // An object handed out earlier keeps describing the load it was taken after.
  LONG code = 0, line = 0;
  EXPECT_EQ(S_OK, earlier->get_errorCode(&code));
  EXPECT_EQ(S_OK, earlier->get_line(&line));
  EXPECT_EQ(static_cast<LONG>(E_FAIL), code);
  EXPECT_EQ(1, line);

  ASSERT_EQ(S_FALSE, doc->loadXML(CComBSTR("<a/>\n\n<a/>"), &ok));
  EXPECT_EQ(3, ReportOf(doc).line);
}

TEST(XmlParseError, FileLoadsNameTheirFile) {
  const std::string path = TempPath("broken.xml");
  std::ofstream(path, std::ios::binary) << "<Project>\n  <Effect>\n</Project>\n";
  CComPtr<IXMLDOMDocument> doc = NewDocument();
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(S_FALSE, doc->load(CComVariant(path.c_str()), &ok));
  Report report = ReportOf(doc);
  EXPECT_EQ(path, report.url);
  EXPECT_EQ(3, report.line);
  EXPECT_EQ(3, report.linepos);

  // A UTF-16 file is placed by its characters, not by the bytes pugixml converted it to.
  const std::u16string wide = u"\xFEFF<a>\n\x00E9<b></c></a>";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char *>(wide.data()), wide.size() * 2);
  EXPECT_EQ(S_FALSE, doc->load(CComVariant(path.c_str()), &ok));
  report = ReportOf(doc);
  EXPECT_EQ(2, report.line);
  EXPECT_EQ(7, report.linepos);
  EXPECT_EQ("\xC3\xA9<b></c></a>", report.srcText);

  std::ofstream(path, std::ios::binary) << "<Project/>";
  EXPECT_EQ(S_OK, doc->load(CComVariant(path.c_str()), &ok));
  report = ReportOf(doc);
  EXPECT_EQ(0, report.errorCode);
  EXPECT_EQ(path, report.url);
  std::filesystem::remove(path);

  EXPECT_EQ(S_FALSE, doc->load(CComVariant(path.c_str()), &ok));
  report = ReportOf(doc);
  EXPECT_EQ(static_cast<LONG>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)), report.errorCode);
  EXPECT_NE(std::string::npos, report.reason.find("not found")) << report.reason;
  EXPECT_EQ(path, report.url);
  EXPECT_EQ(0, report.line);

  // A load refused for its argument reads nothing, so the last error stands.
  EXPECT_EQ(E_INVALIDARG, doc->load(CComVariant(3), &ok));
  EXPECT_EQ(static_cast<LONG>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)), ReportOf(doc).errorCode);
}

TEST(XmlParseError, NullOutPointersAreRefused) {
  CComPtr<IXMLDOMDocument> doc = NewDocument();
  EXPECT_EQ(E_INVALIDARG, doc->get_parseError(nullptr));
  CComPtr<IXMLDOMParseError> error;
  ASSERT_EQ(S_OK, doc->get_parseError(&error));
  EXPECT_EQ(E_INVALIDARG, error->get_errorCode(nullptr));
  EXPECT_EQ(E_INVALIDARG, error->get_url(nullptr));
  EXPECT_EQ(E_INVALIDARG, error->get_reason(nullptr));
  EXPECT_EQ(E_INVALIDARG, error->get_srcText(nullptr));
  EXPECT_EQ(E_INVALIDARG, error->get_line(nullptr));
  EXPECT_EQ(E_INVALIDARG, error->get_linepos(nullptr));
  EXPECT_EQ(E_INVALIDARG, error->get_filepos(nullptr));

  CComPtr<IDispatch> dispatch;
  EXPECT_EQ(S_OK, error->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(&dispatch)));
  CComPtr<IXMLDOMNode> node;
  EXPECT_EQ(E_NOINTERFACE,
            error->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void **>(&node)));
}
