// The root error type: every error of the program carries a message text.
#pragma once

#include <exception>
#include <string>

#if defined(_MSC_VER)
#include <intrin.h>
#define VORLIX_CALLER_ADDRESS() _ReturnAddress()
#define VORLIX_NOINLINE __declspec(noinline)
#else
#define VORLIX_CALLER_ADDRESS() __builtin_return_address(0)
#define VORLIX_NOINLINE __attribute__((noinline))
#endif

namespace base {

class Exception : public std::exception {
 public:
  // Records the address of the code that raised it, for the start-up error display.
  VORLIX_NOINLINE explicit Exception(std::string message);

  const std::string& Message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }
  virtual const char* ClassName() const { return "Exception"; }
  const void* RaiseAddress() const { return raiseAddress_; }

 protected:
  // For derived types, which pass on the address of the code that raised them.
  Exception(std::string message, const void* raiseAddress);

 private:
  std::string message_;
  const void* raiseAddress_;
};

}  // namespace base
