#include "app/adapter_scan.h"

#include <cstdio>

void printGreeting() {
  std::puts("-----------------------------------------------------");
  std::puts("Welcome to use interactive NUV IP configuration tool!");
  std::puts("-----------------------------------------------------");
  std::puts("\nTo use this program, an elevated privilege is needed!\n");
  std::puts("Searching all available network adapters ...");
}

std::vector<Adaptor> scanAdapters() {
  std::vector<Adaptor> adapters;
  for (unsigned index = 0; index <= kMaxScannedIndex; ++index) {
    Adaptor adaptor(index);
    if (adaptor.isAvailable()) adapters.push_back(adaptor);
  }
  return adapters;
}
