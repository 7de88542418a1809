// The steps of a firmware update that talk GVCP to the camera, shared by the
// library's update driver and the command line's `firmware` command: reading
// the identity texts the update shows and checks, the check of an image's
// file name against the model, and the restart with the wait until the camera
// answers again. Nothing here prints; callers word the outcome. The caller's
// thread, with the threading rules of the Camera used.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "gvcp/camera.h"

// After programming the camera may still be busy; one retry of the privilege.
inline constexpr int kRetakeControlTries = 2;

struct FirmwareIdentity {
  std::string model;    // up to its first NUL, never past its field
  std::string version;  // the device version
  std::string info;     // the manufacturer information
  bool modelRead = false;
  bool versionRead = false;
};

FirmwareIdentity readFirmwareIdentity(Camera& camera);

// The part of an image file name that must equal the model name: up to the
// second-to-last '_', else up to the only '_', else the whole name.
std::string_view firmwarePrefix(std::string_view fileName);
// True when the prefix is at most 31 characters and equals `modelName`.
bool firmwareFitsModel(std::string_view fileName, std::string_view modelName);
// A model name that could not be read never matches: left empty, it would
// accept every image whose name begins with '_'.
bool imageFitsCamera(const FirmwareIdentity& identity, std::string_view fileName);

enum class RestartOutcome {
  kBack,           // the camera went silent and answers again
  kStillRunning,   // it acknowledged a write after the restart request
  kNotBack,        // silent for the whole bound
  kChannelFailed,  // the control channel's socket failed
};

// Requests the restart (no acknowledge asked), confirms that the camera went
// silent (a release of control that nobody acknowledges), then reads the
// privilege register until the camera answers, for at most `bound`;
// `unanswered` runs after each read that got no answer. Control ends with the
// restart; the caller must not give it back afterwards.
RestartOutcome restartAndAwait(Camera& camera, std::chrono::milliseconds bound,
                               const std::function<void()>& unanswered);
