// LoadSettings and SaveSettings on an INI file of arbitrary bytes.
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zarnik::fuzz::SettingsFileInput({reinterpret_cast<const char*>(data), size});
    return 0;
}
