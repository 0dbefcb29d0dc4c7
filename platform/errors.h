// The run's error classes, named as the class library names them: the class
// name is what the error report prints.
#pragma once

#include <exception>
#include <string>

namespace korvinst {

// Base of every error that ends a run; remembers where it was raised.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message);
  // The class name the error report prints.
  virtual const char* ClassName() const = 0;
  // The message, without a closing full stop added.
  const std::string& Message() const { return message_; }
  // Code address inside the program where the error was raised.
  const void* Address() const { return address_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
  const void* address_;
};

#define KORVINST_ERROR_CLASS(Name)                           \
  class Name : public Exception {                            \
   public:                                                   \
    using Exception::Exception;                              \
    const char* ClassName() const override { return #Name; } \
  }

KORVINST_ERROR_CLASS(ERegistryException);
KORVINST_ERROR_CLASS(EStringListError);
KORVINST_ERROR_CLASS(EFOpenError);
KORVINST_ERROR_CLASS(EFCreateError);
KORVINST_ERROR_CLASS(EReadError);
KORVINST_ERROR_CLASS(EWriteError);
KORVINST_ERROR_CLASS(EArgumentError);
KORVINST_ERROR_CLASS(EOutOfMemory);

#undef KORVINST_ERROR_CLASS

}  // namespace korvinst
