// A written workbook read back before it takes its name. libxlsxwriter copies
// each sheet through a temporary file whose writes it does not check, so a disk
// or a file-size limit that refuses them gives a damaged workbook and no error;
// reading the file back is what tells.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zarnik::report {

// Every member of the zip inflates to its stated size and checksum, every XML
// part ends in a closing tag, and worksheet N (1..) ends its document and holds
// rowsPerSheet[N - 1] rows. False with the reason (UTF-8) otherwise.
bool CheckWrittenWorkbook(const std::string& file, const std::vector<std::uint32_t>& rowsPerSheet,
                          std::string& error);

}  // namespace zarnik::report
