#include "app/dialogue.h"

#include <cstdio>
#include <iostream>
#include <optional>
#include <vector>

#include "app/adapter_scan.h"
#include "app/camera_choice.h"
#include "app/camera_collection.h"
#include "app/reachability.h"
#include "gvcp/camera_info.h"

int runDialogue() {
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
