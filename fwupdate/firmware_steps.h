// The pure steps of a firmware update: whether an image's file name fits
// the model the camera reports (device/register_reads.h reads it), and how
// its bounds are worded. Pure; any thread.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "device/register_reads.h"

// After programming the camera may still be busy; one retry of the privilege.
inline constexpr int kRetakeControlTries = 2;

// A bound as the update's messages give it: whole seconds, rounded up.
std::string wholeSeconds(std::chrono::steady_clock::duration bound);

// The part of an image file name that must equal the model name: up to the
// second-to-last '_', else up to the only '_', else the whole name.
std::string_view firmwarePrefix(std::string_view fileName);
// True when the prefix is at most 31 characters and equals `modelName`.
bool firmwareFitsModel(std::string_view fileName, std::string_view modelName);
// A model name that could not be read never matches: left empty, it would
// accept every image whose name begins with '_'.
bool imageFitsCamera(const device::FirmwareIdentity& identity, std::string_view fileName);
