#include "XmlCases.h"
#include "platform/ole/GoldenComparison.h"

namespace {

TEST(XmlGolden, EveryCaseAnswersAsTheReferenceOrAsAccepted) {
  olecheck::Lines lines;
  olecheck::RunXmlCases(lines);
  ExpectTableAsGolden("xml", lines);
}

} // namespace
