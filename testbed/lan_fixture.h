// LanTest: the gtest fixture of end-to-end tests on one subnet. Its own file so
// that programs using the test bed without gtest (tools, benchmarks) never
// link it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "testbed/testbed.h"

namespace testbed {

// Fixture for tests on one subnet: skips or fails as NUV_REQUIRE_TESTBED says,
// then builds host_ with adapter "eth1" at `hostCidr` on switch sw_.
class LanTest : public ::testing::Test {
 protected:
  explicit LanTest(std::string hostCidr) : hostCidr_(std::move(hostCidr)) {}
  void SetUp() override;

  Network net_;
  std::string host_;
  std::string sw_;

 private:
  std::string hostCidr_;
};

}  // namespace testbed
