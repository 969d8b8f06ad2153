#include "OleCases.h"
#include "platform/ole/GoldenComparison.h"

namespace {

TEST(OleGolden, EveryCaseAnswersAsTheReferenceOrAsAccepted) {
  olecheck::Lines lines;
  olecheck::RunOleCases(lines);
  ExpectTableAsGolden("ole", lines);
}

} // namespace
