// The failures of the system: raised as C++ exceptions that carry their message text and
// the code address at which they were raised, caught only where the system catches them
// (the catalog reader, the decode loop and the top-level failure report).
#pragma once

#include <string>

namespace lzsfx {

class Exception {
 public:
  Exception(std::string message, const void* address) : message_(std::move(message)), address_(address) {}
  virtual ~Exception() = default;

  const std::string& Message() const { return message_; }
  const void* Address() const { return address_; }
  virtual const char* ClassName() const { return "Exception"; }

 private:
  std::string message_;
  const void* address_;
};

// Raised and caught inside the decoder when the input is used up inside a symbol code.
class ECompress : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "ECompress"; }
};

// A number text that does not convert.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EConvertError"; }
};

// Memory that cannot be obtained; its message is run-time text 65415 ("Mimo paměť").
class EOutOfMemory : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EOutOfMemory"; }
};

// Raises a failure of class E with the given message; the failure records the address
// of the code that called Raise. Kept out of line so that the address is the caller's.
template <class E>
[[noreturn]] __attribute__((noinline)) void Raise(std::string message) {
  throw E(std::move(message), __builtin_extract_return_addr(__builtin_return_address(0)));
}

// Raises EOutOfMemory with its run-time text; the allocation sites of the core call it.
[[noreturn]] void RaiseOutOfMemory();

}  // namespace lzsfx
