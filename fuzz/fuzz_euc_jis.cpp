// The EUC/JIS converter, line after line with its shift state.
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zarnik::fuzz::EucJisInput({reinterpret_cast<const char*>(data), size});
    return 0;
}
