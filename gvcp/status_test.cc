#include "gvcp/status.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "gvcp/camera.h"

namespace {

TEST(Status, ExchangeResultsSplitIntoLocalAndCamera) {
  EXPECT_TRUE(gvcp::Status::FromExchange(0, "x").ok());
  const gvcp::Status refused = gvcp::Status::FromExchange(0x8006, "writing register 0x0A00");
  EXPECT_TRUE(refused.isCameraStatus());
  EXPECT_EQ(refused.code(), 0x8006);
  EXPECT_EQ(refused.toString(), "writing register 0x0A00: camera answered access denied");
  const gvcp::Status silent =
      gvcp::Status::FromExchange(gvcp::kGvcpNoAnswer, "reading register 0x0014");
  EXPECT_FALSE(silent.ok());
  EXPECT_FALSE(silent.isCameraStatus());
  EXPECT_EQ(silent.code(), -101);
  EXPECT_EQ(silent.toString(), "reading register 0x0014: no answer");
}

TEST(Status, LocalFailureCarriesTheSystemReason) {
  const gvcp::Status s = gvcp::Status::Local(116, "socket() error", EPERM);
  EXPECT_EQ(s.toString(), "socket() error: Operation not permitted");
  EXPECT_EQ(gvcp::Status::Local(110, "no address").toString(), "no address");
}

TEST(Status, UnnamedCameraStatusIsShownInHex) {
  EXPECT_EQ(gvcp::cameraStatusText(0x8FFF), "status 0x8FFF");
}

}  // namespace
