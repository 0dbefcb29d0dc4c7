// What every platform's registry must do for RegistryScope, as tests that
// each platform instantiates with a factory of its own.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace korvinst {

using PlatformFactory = std::function<std::unique_ptr<Platform>()>;

class RegistryScopeContract : public ::testing::TestWithParam<PlatformFactory> {
 protected:
  void SetUp() override;
  // Stores a raw value below the test's own key under HKEY_CURRENT_USER.
  void Put(const std::string& name, uint32_t type, const std::string& data);

  std::unique_ptr<Platform> platform_;
  std::string key_;  // the test's own key, relative to HKEY_CURRENT_USER
};

}  // namespace korvinst
