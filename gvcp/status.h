// Status: the outcome of an operation of the GVCP layer or above, in the manner
// of a leveldb Status: success, a local failure (a code of the caller's choice,
// a short text and the system error number when one applies), or the camera's
// own non-zero GVCP status. A plain value; prints nothing; no thread rules.
#pragma once

#include <cstdint>
#include <string>

namespace gvcp {

class Status {
 public:
  static Status Ok() { return Status(); }
  static Status Local(int code, std::string what, int sysError = 0) {
    return Status(Kind::kLocal, code, std::move(what), sysError);
  }
  static Status Camera(uint16_t status, std::string what) {
    return Status(Kind::kCamera, status, std::move(what), 0);
  }
  // A Camera exchange result (0, camera status 1..65535, or a negative local
  // code) with `what` naming the request.
  static Status FromExchange(int result, const std::string& what);

  bool ok() const { return kind_ == Kind::kOk; }
  bool isCameraStatus() const { return kind_ == Kind::kCamera; }
  // The local code, or the camera's status; 0 when ok.
  int code() const { return code_; }
  int sysError() const { return sysError_; }
  const std::string& what() const { return what_; }
  // "what", then ": " and the system's or the camera's reason when there is one.
  std::string toString() const;

 private:
  enum class Kind { kOk, kLocal, kCamera };
  Status() = default;
  Status(Kind kind, int code, std::string what, int sysError)
      : kind_(kind), code_(code), sysError_(sysError), what_(std::move(what)) {}

  Kind kind_ = Kind::kOk;
  int code_ = 0;
  int sysError_ = 0;
  std::string what_;
};

// The name of a camera's GVCP status ("access denied" for 0x8006), or
// "status 0xNNNN" for one without a name.
std::string cameraStatusText(uint16_t status);

}  // namespace gvcp
