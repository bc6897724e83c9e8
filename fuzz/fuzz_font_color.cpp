// Font texts, colour texts and INI integers.
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zarnik::fuzz::FontColorInput({reinterpret_cast<const char*>(data), size});
    return 0;
}
