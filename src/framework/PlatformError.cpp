// Failures of the platform under the program.
#include "framework/PlatformError.h"

#include <utility>

namespace fw {

EPlatformError::EPlatformError(std::string message)
    : base::Exception(std::move(message), VORLIX_CALLER_ADDRESS()) {}

EPlatformError::EPlatformError(std::string message, const void* raiseAddress)
    : base::Exception(std::move(message), raiseAddress) {}

EFileError::EFileError(const std::string& what, const std::string& name, const std::string& why,
                       const void* raisedAt)
    : EPlatformError(what + " " + name + ": " + why, raisedAt) {}

}  // namespace fw
