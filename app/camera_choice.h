// The numbered camera table, its listing and the operator's choice. Numbers
// run from 1 in list order. The listing prints every camera-supplied text
// through gvcp::terminalSafe; the records keep their bytes. Output goes to stdout.
#pragma once

#include <istream>
#include <map>
#include <optional>
#include <vector>

#include "gvcp/camera_info.h"

using CameraTable = std::map<int, GigE_Camera_Info>;

// Keys 1..cameras.size(), the k-th record under key k.
CameraTable numberCameras(const std::vector<GigE_Camera_Info>& cameras);

// Prints every entry in ascending key order: identity, address, adapter and
// the current/supported IP configuration columns.
void printCameraTable(const CameraTable& table);

// Asks until a number of the table is typed and returns a copy of its record.
// At end of input prints kInputEndedLine once and returns empty.
std::optional<GigE_Camera_Info> chooseCamera(const CameraTable& table, std::istream& in);
