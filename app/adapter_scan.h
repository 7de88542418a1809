// The start of a run: the greeting and the scan of interface indices 0..29
// into the list of available adapters (those with a non-zero IPv4 address), in
// ascending index order. Higher indices are never considered.
#pragma once

#include <vector>

#include "net/adaptor.h"

inline constexpr unsigned kMaxScannedIndex = 29;

void printGreeting();
std::vector<Adaptor> scanAdapters();
