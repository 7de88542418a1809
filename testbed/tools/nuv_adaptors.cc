// Prints what the tool's adapter scan sees in the current namespace: one line
// per scanned index with an interface ("index name ip netmask mac available"),
// then "scanned:" and the names the scan keeps, in order. The end-to-end tests
// run it inside test namespaces.
#include <cstdio>

#include "app/adapter_scan.h"

int main() {
  for (unsigned index = 0; index <= kMaxScannedIndex; ++index) {
    const Adaptor adaptor(index);
    if (adaptor.getName().empty()) continue;
    std::printf("%u %s %s %s %s %s\n", index, adaptor.getName().c_str(), adaptor.getIp().c_str(),
                adaptor.getNetmask().c_str(), adaptor.getMac().c_str(),
                adaptor.isAvailable() ? "available" : "unavailable");
  }
  std::printf("scanned:");
  for (const Adaptor& adaptor : scanAdapters()) std::printf(" %s", adaptor.getName().c_str());
  std::printf("\n");
  return 0;
}
