// The comparison itself: a difference that is not accepted fails, an accepted entry that is
// stale or has no reason is refused, and a table that gained or lost cases says so.
#include <gtest/gtest.h>

#include "GoldenExpectation.h"

namespace {

using olecheck::GoldenExpectation;

const std::string kGolden = "# header\n"
                            "F 1 : 0x00000000 S_OK I4 1\n"
                            "F 2 : 0x00000000 S_OK I4 2\n"
                            "F 3 : 0x8002000A DISP_E_OVERFLOW\n";

std::optional<GoldenExpectation> Parse(const std::string &accepted, std::string *error) {
  return GoldenExpectation::Parse(kGolden, accepted, error);
}

TEST(GoldenExpectation, AcceptedLinesReplaceTheReferenceAndOthersMustMatch) {
  std::string error;
  const auto expectation =
      Parse("## the reference overflows early\nF 3 : 0x00000000 S_OK I4 3\n", &error);
  ASSERT_TRUE(expectation) << error;
  EXPECT_EQ(expectation->AcceptedCount(), 1u);
  EXPECT_TRUE(expectation
                  ->Compare({"F 1 : 0x00000000 S_OK I4 1", "F 2 : 0x00000000 S_OK I4 2",
                             "F 3 : 0x00000000 S_OK I4 3"})
                  .empty());
  // The reference's own answer no longer passes for an accepted case, nor does a wrong one elsewhere.
  const auto differences =
      expectation->Compare({"F 1 : 0x00000000 S_OK I4 1", "F 2 : 0x00000000 S_OK I4 7",
                            "F 3 : 0x8002000A DISP_E_OVERFLOW"});
  ASSERT_EQ(differences.size(), 2u);
  EXPECT_NE(differences[0].find("F 2 : 0x00000000 S_OK I4 7"), std::string::npos);
  EXPECT_NE(differences[1].find("F 3 : 0x00000000 S_OK I4 3"), std::string::npos);
}

TEST(GoldenExpectation, CasesMissingOrAddedAreReported) {
  std::string error;
  const auto expectation = Parse("", &error);
  ASSERT_TRUE(expectation) << error;
  const auto differences =
      expectation->Compare({"F 1 : 0x00000000 S_OK I4 1", "F 4 : 0x00000000 S_OK I4 4"});
  ASSERT_EQ(differences.size(), 3u); // F 4 added, F 2 and F 3 gone
  EXPECT_NE(differences[0].find("F 4"), std::string::npos);
}

TEST(GoldenExpectation, AcceptedListsThatCannotBeTrustedAreRefused) {
  const char *const bad[] = {
      "F 3 : 0x00000000 S_OK I4 3\n",         // no reason
      "## why\nF 9 : 0x00000000 S_OK I4 9\n", // no such case
      "## why\nF 1 : 0x00000000 S_OK I4 1\n", // answers as the reference does
      "## why\nF 3 : 0x00000000 S_OK I4 3\nF 3 : 0x00000000 S_OK I4 4\n", // twice
  };
  for (const char *accepted : bad) {
    std::string error;
    EXPECT_FALSE(Parse(accepted, &error)) << accepted;
    EXPECT_FALSE(error.empty());
  }
  std::string error;
  EXPECT_FALSE(
      GoldenExpectation::Load("/nonexistent/golden.txt", "/nonexistent/accepted.txt", &error));
  EXPECT_NE(error.find("cannot read"), std::string::npos);
}

} // namespace
