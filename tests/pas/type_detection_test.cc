#include "pas/type_detection.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tnw::pas {
namespace {

TEST(TypeDetection, ReaderCodesAreSearchedCaseSensitivelyInTheirOwnOrder) {
  EXPECT_EQ(readerCode("DST"), "DST");
  EXPECT_EQ(readerCode("SG"), "SG");
  EXPECT_EQ(readerCode("GRD"), "GRD");  // holds no "SG"
  EXPECT_EQ(readerCode("DST-PRD"), "PRD");
  EXPECT_EQ(readerCode("xSGAWS"), "SG");
  EXPECT_EQ(readerCode("gan"), "");
  EXPECT_EQ(readerCode(""), "");
}

TEST(TypeDetection, DisplayNamesIgnoreCaseAndPreferDrillstemTests) {
  EXPECT_EQ(typeDisplayName("SG"), "SG\nStatic Gradient");
  EXPECT_EQ(typeDisplayName("GRD"), "GRD\nGradient");
  EXPECT_EQ(typeDisplayName("DST-PRD"), "DST-PRD\nDrillstem Test");
  EXPECT_EQ(typeDisplayName("gan"), "gan\nGas Analysis");
  EXPECT_EQ(typeDisplayName("XYZ"), "XYZ");
  EXPECT_EQ(typeLongName("wan "), "Water Analysis");
  EXPECT_EQ(typeLongName("trg"), "Transient Flow Test");
  EXPECT_EQ(typeLongName(""), "");
}

TEST(TypeDetection, VersionsByTheLeadingNumberRule) {
  EXPECT_FLOAT_EQ(versionNumber("2.0"), 2.0f);
  EXPECT_FLOAT_EQ(versionNumber("  4.0 beta"), 4.0f);
  EXPECT_FLOAT_EQ(versionNumber("-1.5e1x"), -15.0f);
  EXPECT_FLOAT_EQ(versionNumber("+3"), 3.0f);
  EXPECT_FLOAT_EQ(versionNumber(".5"), 0.5f);
  EXPECT_EQ(versionNumber("V4"), 0.0f);
  EXPECT_EQ(versionNumber("inf"), 0.0f);
  EXPECT_EQ(versionNumber(""), 0.0f);
  EXPECT_EQ(versionNumber("1e-999"), 0.0f);
  EXPECT_TRUE(std::isinf(versionNumber("1e999")));
  EXPECT_EQ(versionNumber("3.99999999"), 4.0f);  // single precision
}

}  // namespace
}  // namespace tnw::pas
