// Failures of the platform under the program: a window or a timer it will not make, a file it
// will not read or write. Raised with the address of the code that met them, as the program's
// other errors are.
#pragma once

#include <string>

#include "base/Exception.h"

namespace fw {

class EPlatformError : public base::Exception {
 public:
  VORLIX_NOINLINE explicit EPlatformError(std::string message);
  const char* ClassName() const override { return "EPlatformError"; }

 protected:
  EPlatformError(std::string message, const void* raiseAddress);
};

// A file operation that failed: "<what> <name>: <why>", why in the system's words.
class EFileError : public EPlatformError {
 public:
  // raisedAt: the code that met the failure, when a platform's helper raises it on its behalf.
  EFileError(const std::string& what, const std::string& name, const std::string& why,
             const void* raisedAt);
  const char* ClassName() const override { return "EFileError"; }
};

}  // namespace fw
