// A parameter set holding four parameters like the effect's: 1000 (I4), 0 (I4), 21 (I2 50,
// range 0..100) and 20 (R8).
#pragma once

#include <gtest/gtest.h>

#include <array>

#include "params/EffectParameters.h"
#include "VariantHelpers.h"

class ParameterSetTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::array<ParameterRecord, 4> records;
    ASSERT_EQ(ParameterRecord::Create(1000, I4(1), I4(1), I4(1), I4(1), u"Inputs",
                                      u"number of inputs", 0, &records[0]),
              S_OK);
    ASSERT_EQ(ParameterRecord::Create(0, I4(2002), I4(0), I4(0), I4(2002), u"Effect ID",
                                      u"Effect ID", 0, &records[1]),
              S_OK);
    ASSERT_EQ(ParameterRecord::Create(21, I2(50), I2(0), I2(100), I2(50), u"Effect Value",
                                      u"Effect Value", 1, &records[2]),
              S_OK);
    ASSERT_EQ(ParameterRecord::Create(20, R8(0), R8(0), R8(100), R8(0), u"Current Time",
                                      u"Current Time", 1, &records[3]),
              S_OK);
    SharedString root;
    ASSERT_EQ(SharedString::Create(u"", &root), S_OK);
    ASSERT_EQ(parameters.InitializeParameters(root, records.data(), 4), S_OK);
  }

  ULONG Count() {
    ULONG n = 0;
    for (ULONG i = 0;; ++i) {
      LONG id;
      if (parameters.GetParameterId(i, &id) != S_OK) return n;
      ++n;
    }
  }

  EffectParameters parameters;
};
