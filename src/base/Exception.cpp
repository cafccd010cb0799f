// The root error type.
#include "base/Exception.h"

#include <utility>

namespace base {

Exception::Exception(std::string message)
    : message_(std::move(message)), raiseAddress_(VORLIX_CALLER_ADDRESS()) {}

Exception::Exception(std::string message, const void* raiseAddress)
    : message_(std::move(message)), raiseAddress_(raiseAddress) {}

}  // namespace base
