#include "app/camera_choice.h"

#include <cstdio>

#include "gvcp/camera_text.h"
#include "gvcp/ip_config.h"
#include "ipconfig/console_input.h"

namespace {

// Both words come with the discovery answer, so every flag is known.
void printConfigLines(const GigE_Camera_Info& camera) {
  for (const gvcp::IpConfigBit& entry : gvcp::kIpConfigBits) {
    std::printf("%-22s%c          %c\n", entry.label,
                gvcp::ipConfigFlag(camera.ipConfigCurrent, entry.bit),
                gvcp::ipConfigFlag(camera.ipConfigOptions, entry.bit));
  }
}

void printField(const char* format, const std::string& cameraText) {
  std::printf(format, gvcp::terminalSafe(cameraText).c_str());
}

void printCamera(int key, const GigE_Camera_Info& camera) {
  std::printf("\nCamera Index: [%d]\n", key);
  std::puts("-----------------");
  printField("ManufacturerName: %s\n", camera.manufacturerName);
  printField("ModelName:        %s\n", camera.modelName);
  printField("DeviceVersion:    %s\n", camera.deviceVersion);
  printField("ManufacturerInfo: %s\n", camera.manufacturerInfo);
  printField("SerialNumber:     %s\n", camera.serialNumber);
  printField("UserDefinedName:  %s\n", camera.userDefinedName);
  std::printf("CameraIp:         %s\n", camera.cameraIp.c_str());
  std::printf("CameraMac:        %s\n", camera.cameraMac.c_str());
  std::printf("Adapter:          %s / %s \n", camera.adaptor.getIp().c_str(),
              camera.adaptor.getNetmask().c_str());
  std::puts("\nIP Configuration   current   supported");
  std::puts("--------------------------------------");
  printConfigLines(camera);
}

}  // namespace

CameraTable numberCameras(const std::vector<GigE_Camera_Info>& cameras) {
  CameraTable table;
  int key = 1;
  for (const GigE_Camera_Info& camera : cameras) table.emplace(key++, camera);
  return table;
}

void printCameraTable(const CameraTable& table) {
  for (const auto& [key, camera] : table) printCamera(key, camera);
}

std::optional<GigE_Camera_Info> chooseCamera(const CameraTable& table, std::istream& in) {
  const std::optional<int> choice =
      promptChoice("\nchoose a camera index:", static_cast<int>(table.size()), in);
  if (!choice) {
    std::puts(kInputEndedLine);
    return std::nullopt;
  }
  return table.find(*choice)->second;
}
