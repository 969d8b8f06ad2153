// Runs a case table and compares it with the reference's golden file and our accepted
// differences (tools/olecheck/golden), failing once per line that differs.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "GoldenExpectation.h"

inline void ExpectTableAsGolden(const std::string &table, const olecheck::Lines &lines) {
  const char *source = std::getenv("ZRQ_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "ZRQ_SOURCE_DIR names the source tree";
  const std::string golden = std::string(source) + "/tools/olecheck/golden/" + table;
  std::string error;
  const auto expectation =
      olecheck::GoldenExpectation::Load(golden + ".txt", golden + "-accepted.txt", &error);
  ASSERT_TRUE(expectation) << error;
  const std::vector<std::string> differences = expectation->Compare(lines);
  // The first few say enough; the count says how far off the table is.
  for (size_t i = 0; i < differences.size() && i < 40; ++i) ADD_FAILURE() << differences[i];
  EXPECT_EQ(differences.size(), 0u)
      << "lines that differ from " << golden << ".txt and its accepted list";
}
