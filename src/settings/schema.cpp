#include "settings/schema.h"

#include <array>
#include <climits>

#include "settings/ini_file.h"
#include "settings/persist.h"
#include "text/sjis.h"

namespace zarnik::settings {

namespace {

using S = Settings;

constexpr std::int32_t kAnyMin = INT32_MIN, kAnyMax = INT32_MAX;

constexpr const char* kCounterItems[] = {
    "拡張子に合わせる",           "常にＣ、Ｃ＋＋", "常にアセンブラ", "常にＪａｖａ",
    "解析して推測する(C or ASM)", "常にPL/SQL",     "常にVB(BASIC)"};
constexpr const char* kBlankInCommentItems[] = {"コメント行として数える", "空行として数える"};
constexpr const char* kSizeUnitItems[] = {"Byte", "KB", "MB"};
constexpr const char* kTabPositionItems[] = {"上部", "下部"};
constexpr const char* kTabRowItems[] = {"１段", "複数段"};

constexpr unsigned kReport = kShapesReport;
constexpr unsigned kReportPreview = kShapesReport | kInPreview;

constexpr SettingRow Switch(const char* section, const char* key, std::int32_t S::*field, std::int32_t def,
                            Reading reads = Reading::Exact, unsigned flags = 0, const char* label = nullptr) {
    return {.Section = section,
            .Key = key,
            .Type = ValueType::Switch,
            .Int = field,
            .Default = def,
            .Max = 1,
            .Reads = reads,
            .Flags = flags,
            .Label = label};
}

constexpr SettingRow Choice(const char* section, const char* key, std::int32_t S::*field, std::int32_t def,
                            std::span<const char* const> items, Reading reads, unsigned flags,
                            const char* label) {
    return {.Section = section,
            .Key = key,
            .Type = ValueType::Choice,
            .Int = field,
            .Default = def,
            .Max = static_cast<std::int32_t>(items.size()) - 1,
            .Reads = reads,
            .Flags = flags,
            .Label = label,
            .Items = items};
}

constexpr SettingRow Number(const char* section, const char* key, std::int32_t S::*field, std::int32_t def,
                            unsigned flags = 0) {
    return {.Section = section,
            .Key = key,
            .Type = ValueType::Number,
            .Int = field,
            .Default = def,
            .Min = kAnyMin,
            .Max = kAnyMax,
            .Flags = flags};
}

constexpr SettingRow Text(const char* key, ValueType type, std::string S::*field, const char* def) {
    return {.Section = "Settei", .Key = key, .Type = type, .Text = field, .DefaultText = def};
}

constexpr SettingRow Font(const char* key, PaneFont S::*field, const char* face) {
    return {.Section = "Settei", .Key = key, .Type = ValueType::Font, .Font = field, .DefaultText = face};
}

constexpr SettingRow Pattern(int kind) {
    const ExtsKey& k = kExtsKeys[static_cast<std::size_t>(kind)];
    return {.Section = "Exts",
            .Key = k.Key,
            .Type = ValueType::Pattern,
            .Pattern = kind,
            .DefaultText = k.DefaultPattern,
            .Flags = kShapesReport | kKeptOnReset};
}

constexpr const char* kProportional = "ＭＳ Ｐゴシック";
constexpr const char* kFixed = "ＭＳ ゴシック";
constexpr Reading kNonZero = Reading::NonZero;
constexpr Reading kExact = Reading::Exact;

// Within a section, the order of a new file's keys.
constexpr SettingRow kRows[] = {
    Switch("MainForm", "ToolBar", &S::ShowToolBar, 1, kNonZero),
    Switch("MainForm", "StatusBar", &S::ShowStatusBar, 1, kNonZero),
    Switch("MainForm", "YokoBar", &S::HorizontalScrollBar, 0),
    Switch("MainForm", "TlbFlat", &S::FlatToolBar, 1),
    Switch("MainForm", "MemoDsp", &S::ShowMemo, 0, kNonZero),
    Number("MainForm", "MemoWid", &S::MemoWidth, 100),

    Font("Font_Fold", &S::TargetFont, kProportional),
    Text("Bcol_Fold", ValueType::Colour, &S::TargetBackground, "clWhite"),
    Font("Font_Memo", &S::MemoFont, kProportional),
    Text("Bcol_Memo", ValueType::Colour, &S::MemoBackground, "clWhite"),
    Font("Font_Rslt", &S::ResultFont, kFixed),
    Text("Bcol_Rslt", ValueType::Colour, &S::ResultBackground, "clWhite"),
    Choice("Settei", "VsrcFl", &S::CounterChoice, 0, kCounterItems, kExact, kReportPreview,
           "対象ソースファイル"),
    Switch("Settei", "EucJis", &S::ConvertEucJis, 0, kExact, kReport,
           "ソースファイルは、EUCまたはJISコードである"),
    Switch("Settei", "Utf8Src", &S::ConvertUtf8, 1, kNonZero, kReport, "UTF-8のソースファイルを判別する"),
    // Blank lines inside a block comment count as comment lines unless InCmnt is 1.
    Choice("Settei", "InCmnt", &S::BlankInCommentIsBlank, 0, kBlankInCommentItems, kExact, kReportPreview,
           "コメント内の空行の扱い"),
    Switch("Settei", "AstaOnly", &S::AsteriskLineIsBlank, 0, kExact, kReport,
           "*(ｱｽﾀﾘｽｸ)のみの行は空行とする(C,,java)"),
    Switch("Settei", "RemCmt", &S::RemComments, 0, kNonZero, kReport, "Remで始まる行はコメント行とする"),
    Switch("Settei", "Kg_Cmt", &S::BlankLinesAsComment, 0, kExact, kReportPreview, "空行はコメント行とする"),
    Switch("Settei", "Kg_Non", &S::BlankLinesOutOfTotal, 0, kExact, kReportPreview, "空行は総行数に含めない"),
    Switch("Settei", "Subfol", &S::WalkSubfolders, 1, kNonZero, kReport,
           "フォルダ指定時は、サブフォルダも対象とする"),
    // A walk inside a git work tree leaves out what git ignores.
    Switch("Settei", "GitIgnore", &S::FollowGitIgnore, 1, kNonZero, kReport | kAbsentReadsZero,
           "Gitの無視設定(.gitignore)に従う"),
    // C, C++ and Java by the language table's lexical rules rather than the
    // built-in counters; off keeps the figures of the built-in ones.
    Switch("Settei", "CLexer", &S::AccurateCFamily, 0, kExact, kReport | kAbsentReadsZero,
           "C/C++/Javaを字句解析で数える"),
    // Files of the languages the language table holds beyond the five kinds are
    // counted as those languages; off leaves them out of the count.
    Switch("Settei", "AllLang", &S::AllLanguages, 1, kExact, kReport | kAbsentReadsZero,
           "すべての言語を数える(言語表)"),
    Switch("Settei", "HeadDT", &S::HeaderShowsDate, 1, kExact, kReportPreview, "ヘッダに現在の日時を入れる"),
    Switch("Settei", "HeadNA", &S::HeaderShowsEnvName, 1, kExact, kReportPreview,
           "ヘッダに開発環境名を入れる"),
    Switch("Settei", "FlSort", &S::SortFiles, 1, kExact, kReport,
           "ファイル名(フルパス付)でソートして出力する"),
    Switch("Settei", "FldNam", &S::FolderLines, 0, kExact, kReportPreview, "フォルダ名を出力する"),
    Switch("Settei", "FldSum", &S::FolderSubtotals, 0, kExact, kReport, "フォルダ単位で小計を出力する"),
    Switch("Settei", "Erfout", &S::ErrorLines, 1, kExact, kReport, "対象外ファイルの実行結果も出力する"),
    // The nine columns; a column shows for any value other than 0.
    Switch("Settei", "FmFile", &S::ShowName, 1, kNonZero, kReportPreview, "ﾌｧｲﾙ名"),
    Switch("Settei", "FmTime", &S::ShowTime, 1, kNonZero, kReportPreview, "ﾀｲﾑｽﾀﾝﾌﾟ"),
    Switch("Settei", "FmSize", &S::ShowSize, 1, kNonZero, kReportPreview, "ｻｲｽﾞ"),
    Switch("Settei", "FmSknd", &S::ShowKind, 1, kNonZero, kReportPreview, "ｿｰｽ種別"),
    Switch("Settei", "FmAlls", &S::ShowTotal, 1, kNonZero, kReportPreview, "総行数"),
    Switch("Settei", "FmCmnt", &S::ShowComment, 1, kNonZero, kReportPreview, "ｺﾒﾝﾄ行"),
    Switch("Settei", "FmJitu", &S::ShowExec, 1, kNonZero, kReportPreview, "実行数"),
    Switch("Settei", "FmKugy", &S::ShowBlank, 1, kNonZero, kReportPreview, "空行数"),
    Switch("Settei", "FmCpar", &S::ShowRatio, 1, kNonZero, kReportPreview, "ｺﾒﾝﾄ率"),
    // A size unit the file does not state is bytes, whatever was held before.
    Choice("Settei", "FmSizeIndex", &S::SizeUnit, 0, kSizeUnitItems, kExact,
           kReportPreview | kBadReadsDefault, nullptr),
    Text("HTM", ValueType::String, &S::HelpFile, ""),
    // The chart pane beside the result. It came after files were written without
    // it: such a file opens the window as it was, and so does a fresh one until
    // the view menu shows the pane.
    Switch("Settei", "ShowChart", &S::ShowChart, 0, kNonZero, kAbsentReadsZero),

    Pattern(0),
    Pattern(1),
    Pattern(2),
    Pattern(3),
    Pattern(4),
    Pattern(5),
    Pattern(6),

    Number("OpenDlg", "Index", &S::OpenDialogFilter, 0, kKeptOnReset),

    // The main window places its tabs below and in several rows for any value other than 0.
    Choice("SrcCnf", "TabPos", &S::TabPosition, 0, kTabPositionItems, kNonZero, 0, "タブ表示位置"),
    Choice("SrcCnf", "TabDsp", &S::TabsInRows, 1, kTabRowItems, kNonZero, 0, "タブ表示形式"),
    Number("SrcCnf", "TabIdx", &S::SelectedTab, 0),
    Switch("SrcCnf", "AddKind", &S::AddEntriesAtEnd, 1),
};

std::string Sjis(const char* utf8) { return text::Utf8ToSjis(utf8); }

}  // namespace

std::span<const SettingRow> SettingRows() { return kRows; }

const SettingRow* FindSetting(std::string_view section, std::string_view key) {
    for (const SettingRow& row : kRows)
        if (section == row.Section && key == row.Key) return &row;
    return nullptr;
}

const SettingRow* FindReportSetting(std::string_view key) {
    for (const SettingRow& row : kRows)
        if (row.Has(kShapesReport) && text::EqualsNoCase(key, row.Key)) return &row;
    return nullptr;
}

std::string StoredText(const Settings& cnf, const SettingRow& row) {
    if (row.IsInt()) return std::to_string(cnf.*row.Int);
    if (row.Text) return cnf.*row.Text;
    if (row.Font) return FontToText(cnf.*row.Font);
    return cnf.ExtensionPatterns[static_cast<std::size_t>(row.Pattern)];
}

void ReadSetting(const IniFile& ini, const SettingRow& row, Settings& cnf) {
    if (row.IsInt()) {
        std::int32_t fallback = cnf.*row.Int;
        if (row.Has(kBadReadsDefault)) fallback = row.Default;
        if (row.Has(kAbsentReadsZero)) fallback = 0;
        cnf.*row.Int = ini.ReadInteger(row.Section, row.Key, fallback);
    } else if (row.Text) {
        cnf.*row.Text = ini.ReadString(row.Section, row.Key, cnf.*row.Text);
    } else if (row.Font) {
        TextToFont(ini.ReadString(row.Section, row.Key, ""), cnf.*row.Font);
    } else {
        std::string& pattern = cnf.ExtensionPatterns[static_cast<std::size_t>(row.Pattern)];
        pattern = ini.ReadString(row.Section, row.Key, pattern);
    }
}

void ApplyDefault(const SettingRow& row, Settings& cnf) {
    if (row.IsInt())
        cnf.*row.Int = row.Default;
    else if (row.Text)
        cnf.*row.Text = Sjis(row.DefaultText);
    else if (row.Font)
        cnf.*row.Font = PaneFont{.FaceName = Sjis(row.DefaultText)};
    else
        cnf.ExtensionPatterns[static_cast<std::size_t>(row.Pattern)] = Sjis(row.DefaultText);
}

bool SetFromText(const SettingRow& row, std::string_view utf8, Settings& cnf) {
    if (row.IsInt()) return ParseIniInteger(utf8, cnf.*row.Int);
    const std::string value = text::Utf8ToSjis(utf8);
    if (row.Text) {
        cnf.*row.Text = value;
    } else if (row.Font) {
        TextToFont(value, cnf.*row.Font);
    } else {
        cnf.ExtensionPatterns[static_cast<std::size_t>(row.Pattern)] = value;
        RebuildExtensionLists(cnf);
    }
    return true;
}

bool IsOn(const SettingRow& row, const Settings& cnf) {
    const std::int32_t v = cnf.*row.Int;
    return row.Reads == Reading::NonZero ? v != 0 : v == 1;
}

int ShownItem(const SettingRow& row, const Settings& cnf) {
    const std::int32_t v = cnf.*row.Int;
    if (row.Reads == Reading::NonZero) return v != 0 ? 1 : 0;
    return v >= row.Min && v <= row.Max ? v : -1;
}

}  // namespace zarnik::settings
