#include "gvcp/status.h"

#include <cstdio>
#include <cstring>

#include "gvcp/camera.h"
#include "gvcp/gvcp_protocol.h"

namespace gvcp {

namespace {

const char* localExchangeText(int result) {
  switch (result) {
    case kGvcpNoAnswer:
      return "no answer";
    case kGvcpWrongAck:
      return "wrong acknowledge code";
    case kGvcpWrongLength:
      return "acknowledge of the wrong length";
    case kGvcpAnswerTooLarge:
      return "answer larger than expected";
    case kGvcpNoAnswerBuffer:
      return "no answer buffer";
    case kGvcpShortAnswer:
      return "acknowledge shorter than its answer";
    case kGvcpWaitFailed:
      return "waiting on the socket failed";
    default:
      return "local failure";
  }
}

}  // namespace

Status Status::FromExchange(int result, const std::string& what) {
  if (result == 0) return Ok();
  if (result > 0) return Camera(static_cast<uint16_t>(result), what);
  return Local(result, what + ": " + localExchangeText(result));
}

std::string Status::toString() const {
  switch (kind_) {
    case Kind::kOk:
      return "ok";
    case Kind::kCamera:
      return what_ + ": camera answered " + cameraStatusText(static_cast<uint16_t>(code_));
    case Kind::kLocal:
      break;
  }
  return sysError_ != 0 ? what_ + ": " + std::strerror(sysError_) : what_;
}

std::string cameraStatusText(uint16_t status) {
  switch (status) {
    case kStatusNotImplemented:
      return "not implemented";
    case kStatusInvalidParameter:
      return "invalid parameter";
    case kStatusInvalidAddress:
      return "invalid address";
    case kStatusWriteProtect:
      return "write protect";
    case kStatusBadAlignment:
      return "bad alignment";
    case kStatusAccessDenied:
      return "access denied";
    case kStatusBusy:
      return "busy";
    default:
      break;
  }
  char text[16];
  std::snprintf(text, sizeof text, "status 0x%04X", status);
  return text;
}

}  // namespace gvcp
