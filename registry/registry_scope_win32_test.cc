// The registry contract against the real Windows registry.
#include <memory>

#include "platform/win32/win32_platform.h"
#include "registry/registry_scope_contract.h"

namespace korvinst {
namespace {

INSTANTIATE_TEST_SUITE_P(Win32, RegistryScopeContract,
                         ::testing::Values(PlatformFactory([] {
                           return std::make_unique<Win32Platform>();
                         })));

}  // namespace
}  // namespace korvinst
