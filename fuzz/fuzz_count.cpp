// The loader, the pre-check and every counter under every option.
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zarnik::fuzz::CountInput({reinterpret_cast<const char*>(data), size});
    return 0;
}
