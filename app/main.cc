// nuv-ipconfig: finds the GigE Vision cameras on every adapter of the host and
// changes how a chosen camera gets its IPv4 address. Returns 0 on every path
// that returns; discovery socket failures end the process with 255.
#include <cstdio>
#include <iostream>
#include <optional>
#include <vector>

#include "app/adapter_scan.h"
#include "app/camera_choice.h"
#include "app/camera_collection.h"
#include "app/reachability.h"
#include "gvcp/camera_info.h"

int main() {
  printGreeting();
  // Declared in reverse release order: the selection goes first, the camera
  // list last.
  std::vector<GigE_Camera_Info> cameras;
  const std::vector<Adaptor> adapters = scanAdapters();
  collectCameras(adapters, cameras);
  if (cameras.empty()) {
    std::puts("no camera found!");
    return 0;
  }
  const CameraTable table = numberCameras(cameras);
  printCameraTable(table);
  const std::optional<GigE_Camera_Info> selected = chooseCamera(table, std::cin);
  if (!selected) return 0;  // input ended: nothing to configure
  reachAndConfigure(*selected, adapters, cameras, std::cin);
  return 0;
}
