#include "app/camera_collection.h"

#include "app/gige_discovery.h"

void collectCameras(const std::vector<Adaptor>& adapters, std::vector<GigE_Camera_Info>& cameras) {
  for (const Adaptor& adaptor : adapters) {
    if (adaptor.getName() == "lo") continue;
    // A fresh channel per adapter; its sockets close before the next one opens.
    gige_discovery discovery;
    discovery.processing(adaptor);
    cameras.insert(cameras.end(), discovery.cameras.begin(), discovery.cameras.end());
  }
}
