// Counters not built yet: they leave the file uncounted (status 1).
#include "engine/count.h"

namespace zarnik::engine {

int CountAsm(const settings::S_CNF&, const std::string&, S_CMT&, CountContext&) { return 1; }
int CountPlSql(const settings::S_CNF&, const std::string&, S_CMT&, CountContext&) { return 1; }
int CountBasic(const settings::S_CNF&, const std::string&, S_CMT&, CountContext&) { return 1; }
int GuessKind(const settings::S_CNF&, const std::string&, S_CMT&, CountContext&) { return 1; }

}  // namespace zarnik::engine
