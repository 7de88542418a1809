#include "device/auto_address.h"

#include <gtest/gtest.h>

#include <set>

namespace device {
namespace {

constexpr uint32_t kSlash24 = 0xFFFFFF00;
constexpr uint32_t kAdapter = 0xC0A80A01;  // 192.168.10.1

TEST(AutoCandidatesTest, TopOfTheSubnetDownwardsWithoutTheAdapterNetworkOrBroadcast) {
  EXPECT_EQ(autoCandidates(kAdapter, kSlash24, 3),
            (std::vector<uint32_t>{0xC0A80AFE, 0xC0A80AFD, 0xC0A80AFC}));
  // The adapter at .253 is stepped over.
  EXPECT_EQ(autoCandidates(0xC0A80AFD, kSlash24, 3),
            (std::vector<uint32_t>{0xC0A80AFE, 0xC0A80AFC, 0xC0A80AFB}));
}

TEST(AutoCandidatesTest, SmallSubnetsEndAtTheirHostAddresses) {
  // 10.0.0.0/30: hosts .1 and .2; the adapter holds .1.
  EXPECT_EQ(autoCandidates(0x0A000001, 0xFFFFFFFC, 16), (std::vector<uint32_t>{0x0A000002}));
  EXPECT_TRUE(autoCandidates(0x0A000001, 0xFFFFFFFE, 16).empty());  // /31
  EXPECT_TRUE(autoCandidates(0x0A000001, 0xFFFFFFFF, 16).empty());  // /32
  // A whole /24 without the adapter: 253 hosts.
  EXPECT_EQ(autoCandidates(kAdapter, kSlash24, 1000).size(), 253u);
  EXPECT_EQ(autoCandidates(kAdapter, kSlash24, 1000).back(), 0xC0A80A02u);
}

TEST(PickFreeAddressTest, FirstFreeCandidateWinsAfterTheTakenOnes) {
  const std::set<uint32_t> taken = {0xC0A80AFE, 0xC0A80AFD};
  std::vector<uint32_t> asked;
  const AutoPick pick = pickFreeAddress(kAdapter, kSlash24, [&](uint32_t ip) {
    asked.push_back(ip);
    return taken.count(ip) != 0 ? ProbeVerdict::kInUse : ProbeVerdict::kFree;
  });
  EXPECT_EQ(pick.address, 0xC0A80AFCu);
  EXPECT_EQ(pick.probed, 3u);
  EXPECT_EQ(asked, (std::vector<uint32_t>{0xC0A80AFE, 0xC0A80AFD, 0xC0A80AFC}));
}

TEST(PickFreeAddressTest, AllTakenWithinTheLimitGivesNothing) {
  const AutoPick pick = pickFreeAddress(
      kAdapter, kSlash24, [](uint32_t) { return ProbeVerdict::kInUse; }, 5);
  EXPECT_EQ(pick.address, std::nullopt);
  EXPECT_EQ(pick.probed, 5u);
  EXPECT_FALSE(pick.probeFailed);
}

TEST(PickFreeAddressTest, FailingProbeStopsAtOnceAndIsNotTakenForFree) {
  const AutoPick pick =
      pickFreeAddress(kAdapter, kSlash24, [](uint32_t) { return ProbeVerdict::kFailed; });
  EXPECT_EQ(pick.address, std::nullopt);
  EXPECT_EQ(pick.probed, 1u);
  EXPECT_TRUE(pick.probeFailed);
}

}  // namespace
}  // namespace device
