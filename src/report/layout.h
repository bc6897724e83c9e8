// What the report's shape takes from the settings, made once per run: which
// columns show, the size unit, the header line, folder lines and sums, error
// lines. Each integer switch of the settings record is read here and nowhere else.
#pragma once

#include <array>
#include <string_view>

#include "settings/settings.h"

namespace zarnik::report {

// The switchable columns, in report order; the name and the time always show.
enum class Column { Size, Kind, Total, Comment, Exec, Blank, Ratio };
constexpr int kColumnCount = 7;

// One column of the file lines: its width in bytes (its title is as wide) and the
// settings switch that hides it.
struct ColumnDef {
    Column Id;
    int Width;
    std::string_view TitleUtf8;
    std::int32_t settings::Settings::*Switch;
};
const std::array<ColumnDef, kColumnCount>& Columns();

// The size column's unit (FmSizeIndex); any other stored value shows blanks.
enum class SizeUnit { Bytes = 0, KB = 1, MB = 2, Unknown = 3 };

struct ReportLayout {
    std::array<bool, kColumnCount> Shown{true, true, true, true, true, true, true};
    SizeUnit Unit = SizeUnit::Bytes;
    bool EnvNameInHead = true;  // "【name】" opens the report
    bool DateInHead = true;
    bool FolderLines = false;  // "[folder]----" before each folder's files
    bool FolderSums = false;   // subtotal and average after each folder
    bool ErrorLines = true;    // files that were not counted get a line
    bool SortByPath = true;

    bool Has(Column c) const { return Shown[static_cast<std::size_t>(c)]; }

    static ReportLayout From(const settings::Settings& cnf);
};

}  // namespace zarnik::report
