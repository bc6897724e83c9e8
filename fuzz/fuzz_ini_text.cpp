// The INI reader and writer: parse, write, delete, erase, read back.
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zarnik::fuzz::IniTextInput({reinterpret_cast<const char*>(data), size});
    return 0;
}
