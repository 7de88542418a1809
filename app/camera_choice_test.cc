#include "app/camera_choice.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "ipconfig/console_input.h"

namespace {

GigE_Camera_Info camera(const std::string& serial, uint32_t current = 0x5,
                        uint32_t supported = 0x7) {
  GigE_Camera_Info info;
  info.manufacturerName = "Maker";
  info.modelName = "M-100";
  info.deviceVersion = "1.2";
  info.manufacturerInfo = "info";
  info.serialNumber = serial;
  info.userDefinedName = "line-3";
  info.cameraIp = "192.168.7.20";
  info.cameraMac = "02:00:00:AB:CD:EF";
  info.ipConfigCurrent = current;
  info.ipConfigOptions = supported;
  return info;
}

std::string listing(const CameraTable& table) {
  ::testing::internal::CaptureStdout();
  printCameraTable(table);
  std::fflush(stdout);
  return ::testing::internal::GetCapturedStdout();
}

TEST(CameraNumberingTest, KeysRunFromOneInListOrder) {
  const CameraTable table = numberCameras({camera("A"), camera("B"), camera("C")});
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table.begin()->first, 1);
  EXPECT_EQ(table.at(1).serialNumber, "A");
  EXPECT_EQ(table.at(3).serialNumber, "C");
}

TEST(CameraListingTest, OneCameraInTheExactLayout) {
  // Adapter 0 names no interface: address and mask print as 0.0.0.0.
  EXPECT_EQ(listing(numberCameras({camera("SN1")})),
            "\nCamera Index: [1]\n"
            "-----------------\n"
            "ManufacturerName: Maker\n"
            "ModelName:        M-100\n"
            "DeviceVersion:    1.2\n"
            "ManufacturerInfo: info\n"
            "SerialNumber:     SN1\n"
            "UserDefinedName:  line-3\n"
            "CameraIp:         192.168.7.20\n"
            "CameraMac:        02:00:00:AB:CD:EF\n"
            "Adapter:          0.0.0.0 / 0.0.0.0 \n"
            "\nIP Configuration   current   supported\n"
            "--------------------------------------\n"
            "Persistent IP         Y          Y\n"
            "DHCP                  N          Y\n"
            "LLA                   Y          Y\n");
}

TEST(CameraListingTest, ColumnsFollowTheirOwnWords) {
  const std::string text = listing(numberCameras({camera("A", 0x2, 0x6)}));
  EXPECT_NE(text.find("Persistent IP         N          N\n"), std::string::npos);
  EXPECT_NE(text.find("DHCP                  Y          Y\n"), std::string::npos);
  EXPECT_NE(text.find("LLA                   N          Y\n"), std::string::npos);
}

TEST(CameraListingTest, ControlBytesFromTheCameraPrintAsQuestionMarks) {
  GigE_Camera_Info evil = camera("S\x1b[2J\x7f");
  evil.userDefinedName = "bell\a";
  const std::string text = listing(numberCameras({evil}));
  EXPECT_NE(text.find("SerialNumber:     S?[2J?\n"), std::string::npos);
  EXPECT_NE(text.find("UserDefinedName:  bell?\n"), std::string::npos);
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
  EXPECT_EQ(evil.serialNumber, "S\x1b[2J\x7f");
}

TEST(CameraListingTest, CamerasListedInKeyOrder) {
  const std::string text = listing(numberCameras({camera("first"), camera("second")}));
  const size_t one = text.find("Camera Index: [1]");
  const size_t two = text.find("Camera Index: [2]");
  ASSERT_NE(one, std::string::npos);
  ASSERT_NE(two, std::string::npos);
  EXPECT_LT(one, text.find("first"));
  EXPECT_LT(text.find("first"), two);
  EXPECT_LT(two, text.find("second"));
}

constexpr const char* kPrompt = "\nchoose a camera index:\n";

class CameraChoiceTest : public ::testing::Test {
 protected:
  CameraChoiceTest() : table(numberCameras({camera("A"), camera("B"), camera("C")})) {}
  // Feeds `typed` and returns what the dialogue printed.
  std::string choose(const std::string& typed) {
    std::istringstream in(typed);
    ::testing::internal::CaptureStdout();
    chosen = chooseCamera(table, in);
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
  }
  CameraTable table;
  std::optional<GigE_Camera_Info> chosen;
};

TEST_F(CameraChoiceTest, InvalidLinesAreEchoedAndAskedAgain) {
  for (const std::string line : {"0", "-1", "4", "abc", "", "99999999999", "-99999999999"}) {
    EXPECT_EQ(choose(line + "\n1\n"),
              std::string(kPrompt) + "Invalid choice: " + line + "\n\n" + kPrompt)
        << line;
    ASSERT_TRUE(chosen) << line;
    EXPECT_EQ(chosen->serialNumber, "A");
  }
}

TEST_F(CameraChoiceTest, DigitsFollowedByTextOrAfterBlanksOrPlusSelect) {
  for (const std::string line : {"2abc", " 2", "+2", "2", "\t2 "}) {
    EXPECT_EQ(choose(line + "\n"), kPrompt) << line;
    ASSERT_TRUE(chosen) << line;
    EXPECT_EQ(chosen->serialNumber, "B") << line;
  }
}

TEST_F(CameraChoiceTest, LastNumberSelectsLastCamera) {
  choose("3\n");
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->serialNumber, "C");
}

TEST_F(CameraChoiceTest, EndOfInputEndsTheDialogueOnce) {
  EXPECT_EQ(choose("x\n"),
            std::string(kPrompt) + "Invalid choice: x\n\n" + kPrompt + kInputEndedLine + "\n");
  EXPECT_FALSE(chosen);
  EXPECT_EQ(choose(""), std::string(kPrompt) + kInputEndedLine + "\n");
  EXPECT_FALSE(chosen);
}

}  // namespace
