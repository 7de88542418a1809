// The MACs a fleet of simulated cameras gets: unique per number, locally
// administered, two hexadecimal digits per byte.
#include "testbed/camera_fleet.h"

#include <gtest/gtest.h>

#include <set>

namespace testbed {
namespace {

TEST(FleetMacTest, NumbersBecomeTheLastTwoBytes) {
  EXPECT_EQ(fleetMac(0), "02:00:00:00:00:00");
  EXPECT_EQ(fleetMac(0x2C), "02:00:00:00:00:2C");
  EXPECT_EQ(fleetMac(300), "02:00:00:00:01:2C");
  EXPECT_EQ(fleetMac(0xFFFF), "02:00:00:00:FF:FF");
}

TEST(FleetMacTest, HundredsOfCamerasGetDistinctMacs) {
  std::set<std::string> seen;
  for (int n = 0; n < 1000; ++n) seen.insert(fleetMac(n));
  EXPECT_EQ(seen.size(), 1000u);
}

}  // namespace
}  // namespace testbed
