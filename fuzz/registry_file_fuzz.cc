// Any registry file either reads or gives a clear error; what reads is
// written back and read again to the same registry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "registry/registry_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  korvinst::RegistryStore store;
  try {
    store = korvinst::RegistryStore::FromRegedit4(text);
  } catch (const korvinst::RegistryFileError&) {
    return 0;
  }
  std::string written = store.ToRegedit4();
  korvinst::RegistryStore again =
      korvinst::RegistryStore::FromRegedit4(written);
  if (again.ToRegedit4() != written) std::abort();
  // A file with a value in it never reads as an empty registry.
  bool has_values = false;
  for (const korvinst::RegKey* key : store.Keys()) {
    has_values = has_values || !key->values.empty();
  }
  if (text.find("\n\"") != std::string::npos &&
      text.find("\n[") != std::string::npos && !has_values &&
      written.find('=') != std::string::npos) {
    std::abort();
  }
  return 0;
}
