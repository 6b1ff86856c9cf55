#include "pas/section_dispatch.h"

#include <gtest/gtest.h>

#include <string>

namespace tnw::pas {
namespace {

using Order = std::vector<std::string_view>;

SectionDispatch<int> threeEntries() {
  SectionDispatch<int> d;
  d.add("E1", 1);
  d.add("E2", 2);
  d.add("E3", 3);
  return d;
}

TEST(SectionDispatch, AHitMovesItsEntryToTheFront) {
  auto d = threeEntries();
  const auto* entry = d.lookup("E2,line");
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->handler, 2);
  EXPECT_EQ(d.order(), (Order{"E2", "E3", "E1"}));
  EXPECT_EQ(d.lookup("E2 again")->handler, 2);
  EXPECT_EQ(d.order(), (Order{"E2", "E3", "E1"}));
}

TEST(SectionDispatch, AMissLeavesTheFormerLastEntryInFront) {
  auto d = threeEntries();
  EXPECT_EQ(d.lookup("nothing"), nullptr);
  EXPECT_EQ(d.order(), (Order{"E3", "E1", "E2"}));
  EXPECT_EQ(d.lookup("E1x")->handler, 1);
  EXPECT_EQ(d.order(), (Order{"E1", "E2", "E3"}));
}

TEST(SectionDispatch, OneEntry) {
  SectionDispatch<int> d;
  d.add("~VERSION", 7);
  EXPECT_EQ(d.lookup("~VERSIONS,x")->handler, 7);  // a bare prefix test
  EXPECT_EQ(d.lookup("~VERSIO"), nullptr);
  EXPECT_EQ(d.order(), (Order{"~VERSION"}));
}

TEST(SectionDispatch, OverlappingPrefixesDependOnWhatWasLookedUpBefore) {
  SectionDispatch<int> d;
  d.add("~DTCL", 1);
  d.add("~DTCLFD", 2);
  d.add("~OTHER", 3);
  EXPECT_EQ(d.lookup("~DTCLFD,1,")->handler, 1);  // the nearer entry wins
  EXPECT_EQ(d.lookup("~OTHER,1")->handler, 3);
  EXPECT_EQ(d.order(), (Order{"~OTHER", "~DTCL", "~DTCLFD"}));
  EXPECT_EQ(d.lookup("~DTCLFD,1,")->handler, 1);
  EXPECT_EQ(d.order(), (Order{"~DTCL", "~DTCLFD", "~OTHER"}));
  EXPECT_EQ(d.lookup("zzz"), nullptr);  // two misses bring ~DTCLFD to the front
  EXPECT_EQ(d.lookup("zzz"), nullptr);
  EXPECT_EQ(d.order(), (Order{"~DTCLFD", "~OTHER", "~DTCL"}));
  EXPECT_EQ(d.lookup("~DTCLFD,1,")->handler, 2);
}

TEST(SectionDispatch, AddingAfterLookupsKeepsTheQueueOrder) {
  auto d = threeEntries();
  d.lookup("E2");
  d.add("E4", 4);
  EXPECT_EQ(d.order(), (Order{"E2", "E3", "E1", "E4"}));
}

}  // namespace
}  // namespace tnw::pas
