#include "platform/errors.h"

#include <utility>

namespace korvinst {

// Not inlined, so that the return address is the place that raised the error.
__attribute__((noinline)) Exception::Exception(std::string message)
    : message_(std::move(message)), address_(__builtin_return_address(0)) {}

}  // namespace korvinst
