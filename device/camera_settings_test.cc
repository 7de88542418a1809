#include "device/camera_settings.h"

#include <gtest/gtest.h>

#include <memory>

#include "gvcp/camera.h"
#include "gvcp/registers.h"
#include "gvcp/scripted_peer_test_util.h"

namespace device {
namespace {

using testing_peer::RegisterDevice;
using testing_peer::ScriptedPeer;

class CameraSettingsTest : public testing::Test {
 protected:
  void SetUp() override {
    device.setText(0x0048, "Maker");
    device.setText(0x0068, "ABC-100");
    device.setText(0x0088, "1.2.3");
    device.setText(0x00A8, "info");
    device.setText(0x00D8, "0123456789ABCDEF");  // 16 bytes, no NUL
    device.setText(0x00E8, "left");
    device.setRegister(0x0934, 0xC0000000);  // serial number and user-defined name present
    device.setRegister(0x0008, 0x00000211);
    device.setRegister(0x000C, 0x22334455);
    device.setRegister(0x0010, 0x7);
    device.setRegister(0x0014, 0x5);
    device.setRegister(0x0024, 0xC0A80A0B);
    device.setRegister(0x0034, 0xFFFFFF00);
    device.setRegister(0x0044, 0xC0A80A01);
    device.setRegister(0x064C, 0x0A000005);
    device.setRegister(0x065C, 0xFF000000);
    device.setRegister(0x066C, 0x0A000001);
    device.setRegister(0x0938, 3000);
    device.setRegister(0x0A00, 0x2);
    peer = std::make_unique<ScriptedPeer>(device.script());
    ASSERT_TRUE(peer->ok());
    camera = std::make_unique<Camera>(peer->ip(), peer->port());
  }

  RegisterDevice device;
  std::unique_ptr<ScriptedPeer> peer;
  std::unique_ptr<Camera> camera;
};

TEST_F(CameraSettingsTest, ReadsEveryFieldWithoutWriting) {
  CameraSettings s;
  ASSERT_TRUE(readCameraSettings(*camera, s).ok());
  EXPECT_EQ(s.identity.manufacturer, "Maker");
  EXPECT_EQ(s.identity.model, "ABC-100");
  EXPECT_EQ(s.identity.deviceVersion, "1.2.3");
  EXPECT_EQ(s.identity.manufacturerInfo, "info");
  EXPECT_EQ(s.identity.serial, "0123456789ABCDEF");
  EXPECT_EQ(s.identity.userName, "left");
  EXPECT_EQ(s.mac, (net::Mac{0x02, 0x11, 0x22, 0x33, 0x44, 0x55}));
  EXPECT_EQ(s.current, net::AddressSet::fromHost(0xC0A80A0B, 0xFFFFFF00, 0xC0A80A01));
  EXPECT_EQ(s.persistent, net::AddressSet::fromHost(0x0A000005, 0xFF000000, 0x0A000001));
  EXPECT_EQ(s.ipConfigSupported, 0x7u);
  EXPECT_EQ(s.ipConfigCurrent, 0x5u);
  EXPECT_EQ(s.ccp, 0x2u);
  EXPECT_EQ(s.heartbeatTimeoutMs, 3000u);
  EXPECT_TRUE(device.writes().empty());
}

TEST_F(CameraSettingsTest, RefusedReadStopsWithTheCameraStatus) {
  device.refuse(0x0938, gvcp::kStatusAccessDenied);
  CameraSettings s;
  const gvcp::Status status = readCameraSettings(*camera, s);
  EXPECT_TRUE(status.isCameraStatus());
  EXPECT_EQ(status.code(), gvcp::kStatusAccessDenied);
  EXPECT_NE(status.toString().find("0x0938"), std::string::npos) << status.toString();
  EXPECT_EQ(s.identity.model, "ABC-100");  // read before the refusal, kept
}

TEST_F(CameraSettingsTest, ReadsInThreeExchangesWhereTheCameraConcatenatesElseOneEach) {
  // Capability (unless the caller read it), the twelve registers, the text block.
  const struct {
    uint32_t capabilities;
    bool known;
    int exchanges;
  } cases[] = {{0xC0000001, false, 3},
               {0xC0000000, false, 14},
               {0xC0000001, true, 2},
               {0xC0000000, true, 13}};
  for (const auto& c : cases) {
    device.setRegister(0x0934, c.capabilities);
    const int before = device.requests();
    CameraSettings s;
    ASSERT_TRUE(
        readCameraSettings(*camera, s, c.known ? std::optional(c.capabilities) : std::nullopt)
            .ok());
    EXPECT_EQ(device.requests() - before, c.exchanges) << std::hex << c.capabilities << c.known;
    EXPECT_EQ(s.identity.userName, "left");
    EXPECT_EQ(s.ccp, 0x2u);
    EXPECT_EQ(s.capabilities, c.capabilities);
  }
}

TEST_F(CameraSettingsTest, OptionalTextTheCameraRefusesIsAbsent) {
  device.refuse(0x00D8);
  CameraSettings s;
  ASSERT_TRUE(readCameraSettings(*camera, s).ok());
  EXPECT_FALSE(s.identity.serial.has_value());
  EXPECT_EQ(s.identity.userName, "left");
  EXPECT_EQ(s.identity.model, "ABC-100");
}

TEST(CameraSettingsSilent, CameraThatDoesNotAnswerIsALocalFailure) {
  ScriptedPeer silent(
      [](const testing_peer::Bytes&) { return std::vector<testing_peer::Bytes>{}; });
  ASSERT_TRUE(silent.ok());
  Camera camera(silent.ip(), silent.port());
  CameraSettings s;
  const gvcp::Status status = readCameraSettings(camera, s);
  EXPECT_FALSE(status.ok());
  EXPECT_FALSE(status.isCameraStatus());
  EXPECT_EQ(status.code(), gvcp::kGvcpNoAnswer);
}

}  // namespace
}  // namespace device
