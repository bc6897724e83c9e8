// Target lines split into folder and pattern, and the wildcard matcher.
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zarnik::fuzz::TargetLineInput({reinterpret_cast<const char*>(data), size});
    return 0;
}
