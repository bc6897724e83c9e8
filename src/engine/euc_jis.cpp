#include "engine/euc_jis.h"

namespace zarnik::engine {

void TAutoSjisConv::ToShiftJis(std::string_view line, std::string& out) { out.append(line); }

}  // namespace zarnik::engine
