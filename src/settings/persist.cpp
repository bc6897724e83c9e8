#include "settings/persist.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "settings/env_merge.h"
#include "settings/schema.h"
#include "text/sjis.h"

namespace zarnik::settings {

namespace {

constexpr std::int32_t kWrittenVersion = 271;

std::string WithSlash(std::string folder) {
    if (folder.empty()) folder = ".";
    if (folder.back() != '/') folder.push_back('/');
    return folder;
}

std::string ReadFolder(const ProgramPaths& p) {
    return WithSlash(std::filesystem::path(p.ReadIniPath).parent_path().string());
}

std::string CommitRecordPath(const std::string& iniPath) { return iniPath + ".commit"; }

std::string Sjis(std::string_view utf8) { return text::Utf8ToSjis(utf8); }

// The save lock, waited for up to ten seconds. With repair a lock file that is no
// regular file (a pipe or a device put there, a link) is set aside (and made anew
// when create is set), so that it can neither block nor stop every later save.
std::unique_ptr<SaveLock> TakeLock(const std::string& iniPath, bool create, bool repair,
                                   std::vector<std::string>& notices) {
    auto lock = std::make_unique<SaveLock>(iniPath, create);
    if (lock->Held() || !lock->NotAFile() || !repair) return lock;
    const std::string path = iniPath + ".lock";
    const std::string aside = SetAside(path);
    if (aside.empty()) return lock;
    notices.push_back(Sjis("ロックファイル ") + Sjis(path) + Sjis(" は通常のファイルではないため、") +
                      Sjis(aside) + Sjis(" に移しました。"));
    return std::make_unique<SaveLock>(iniPath, create);
}

// Finishes a save that died after its commit record was in place. False when a
// record remains; a record that was set aside is told.
bool FinishDeadSave(const std::string& iniPath, std::vector<std::string>& notices) {
    const std::string record = CommitRecordPath(iniPath);
    RollForward done = RollForwardSave(record);
    if (!done.SetAsidePath.empty())
        notices.push_back(Sjis("保存の記録 ") + Sjis(record) +
                          Sjis(" は読めないか、このプログラムのファイル以外を指しているため、実行せずに ") +
                          Sjis(done.SetAsidePath) + Sjis(" に移しました。"));
    return done.Finished;
}

void SetDefaultFolders(ProgramPaths& p) {
    std::string folder = text::RemoveTrailingSlash(text::Utf8ToSjis(p.ProgramFolder));
    p.OpenFolder = p.SaveFolder = p.BrowseFolder = folder;
}

void ReadRect(const IniFile& ini, std::string_view section, Rect& r) {
    r.Left = ini.ReadInteger(section, "Left", r.Left);
    r.Top = ini.ReadInteger(section, "Top", r.Top);
    r.Width = ini.ReadInteger(section, "Width", r.Width);
    r.Height = ini.ReadInteger(section, "Height", r.Height);
}

// The values a save writes, in the order a new file holds them.
class ValueList {
public:
    void Add(std::string_view section, std::string_view key, std::string value) {
        values_.push_back({std::string(section), std::string(key), std::move(value), std::nullopt});
    }
    void Add(std::string_view section, std::string_view key, std::int32_t value) {
        Add(section, key, std::to_string(value));
    }
    void AddRect(std::string_view section, const Rect& r) {
        Add(section, "Left", r.Left);
        Add(section, "Top", r.Top);
        Add(section, "Width", r.Width);
        Add(section, "Height", r.Height);
    }
    // The schema's rows of one section, in their order.
    void AddSettings(std::string_view section, const Settings& c) {
        for (const SettingRow& row : SettingRows())
            if (row.Section == section) Add(section, row.Key, StoredText(c, row));
    }
    std::vector<IniValue>& Values() { return values_; }

private:
    std::vector<IniValue> values_;
};

std::vector<IniValue> SettingValues(const ProgramState& st) {
    const Settings& c = st.Cnf;
    const MainWindowPlacement& main = st.Place.MainPlacement;
    ValueList v;
    v.Add("Pelorand", "Title", "Zarnik");
    v.Add("Pelorand", "Name", "ZRNK");
    v.Add("Pelorand", "Version", kWrittenVersion);
    v.Add("Pelorand", "Open", st.Paths.OpenFolder);
    v.Add("Pelorand", "Save", st.Paths.SaveFolder);
    v.Add("Pelorand", "Fold", st.Paths.BrowseFolder);

    v.Add("MainForm", "WinState", main.Maximized);
    v.AddRect("MainForm", main.Bounds);
    v.Add("MainForm", "Pnl_H", main.TargetPaneHeight);
    v.AddSettings("MainForm", c);
    v.AddSettings("Settei", c);
    v.AddSettings("Exts", c);
    v.AddSettings("OpenDlg", c);
    v.AddRect("SrcCnf", st.Place.EditorPlacement);
    v.AddSettings("SrcCnf", c);
    return std::move(v.Values());
}

// Written after the environments, as it always was.
std::vector<IniValue> ToolBarValues(const ToolBarRecord& t) {
    ValueList v;
    v.Add("MainToolBar", "Rev", t.Rev);
    v.Add("MainToolBar", "Visible", t.Visible);
    v.Add("MainToolBar", "DockedTo", t.DockedTo);
    v.Add("MainToolBar", "DockRow", t.DockRow);
    v.Add("MainToolBar", "DockPos", t.DockPos);
    v.Add("MainToolBar", "FloatLeft", t.FloatLeft);
    v.Add("MainToolBar", "FloatTop", t.FloatTop);
    return std::move(v.Values());
}

// Whether the value's key reads as 0 when the file lacks it (a key newer than
// the file).
bool AbsentReadsZero(const IniValue& v) {
    const SettingRow* row = FindSetting(v.Section, v.Key);
    return row && row->Has(kAbsentReadsZero);
}

bool DefaultsToZero(const IniValue& v) {
    const SettingRow* row = FindSetting(v.Section, v.Key);
    return row && row->Default == 0;
}

// What the file holds for each value (nullopt: no key; a key that reads as 0
// when absent holds "0", so that a 0 kept is no change).
void RememberStored(const IniFile& ini, std::vector<IniValue>& values) {
    for (auto& v : values) {
        v.Stored = ini.Find(v.Section, v.Key);
        if (!v.Stored && AbsentReadsZero(v)) v.Stored = "0";
    }
}

// Writes the values this window changed since the last load or save (and those
// the file lacks) over the file as it is now: a value another window saved
// meanwhile stays unless this one changed it too. What the file then holds for
// each of them becomes stored.
void WriteChangedValues(IniFile& ini, std::vector<IniValue> mine, std::vector<IniValue>& stored) {
    for (std::size_t i = 0; i < mine.size(); ++i) {
        IniValue& v = mine[i];
        const bool known = i < stored.size() && stored[i].Section == v.Section && stored[i].Key == v.Key;
        v.Stored = known ? stored[i].Stored : std::nullopt;
        const bool inFile = ini.Find(v.Section, v.Key).has_value();
        // A file read without the key (written before it existed) stays without
        // it while it is 0; a fresh file goes without a key that starts at 0.
        if (!inFile && v.Value == "0" && AbsentReadsZero(v) &&
            (known ? v.Stored == "0" : !v.Stored && DefaultsToZero(v)))
            continue;
        if (v.Stored != v.Value || !inFile) {
            ini.WriteString(v.Section, v.Key, v.Value);
            v.Stored = v.Value;
        }
    }
    stored = std::move(mine);
}

// The languages' own patterns: a key this window set or changed is written, one it
// removed is deleted; keys another window stored meanwhile stay. An empty pattern
// is stored as "" so that it is still read as a key. A name that cannot be a key
// is never written: it would read back as another key, or as none.
void WriteChangedLanguagePatterns(IniFile& ini, const LanguagePatternList& mine,
                                  LanguagePatternList& stored) {
    const char* section = kLanguagePatternSection;
    for (const auto& [key, pattern] : mine) {
        if (!CanBeIniKey(key)) continue;
        const std::string* was = FindLanguagePattern(stored, key);
        if (!was || *was != pattern || !ini.Find(section, key)) ini.WriteString(section, key, pattern, true);
    }
    for (const auto& [key, pattern] : stored)
        if (!FindLanguagePattern(mine, key)) ini.DeleteKey(section, key);
    stored = mine;
}

// A change count's old or new version: written like the values above once a
// change count has been run (a fresh file stays without them).
void WriteChangedTargetLine(IniFile& ini, std::string_view key, std::string_view exactKey,
                            const std::string& mine, std::optional<std::string>& stored) {
    if (stored == mine && ini.Find("Settei", key)) return;
    WriteTargetLine(ini, "Settei", key, exactKey, mine);
    stored = mine;
}

// After a save: a kept memo file now lies at its environment's position (or was
// removed by the user in the meantime).
void UpdateKeptMemoFiles(ProgramState& st) {
    for (int i = 0; i < st.Envs.Count(); ++i) {
        Environment& env = st.Envs.At(i);
        if (env.KeptMemoFile.empty()) continue;
        std::string path = env.StoredAt > 0 ? MemoFileName(st.Paths.DataFolder, env.StoredAt) : "";
        env.KeptMemoFile = !path.empty() && KindOfPath(path) == PathKind::File ? path : "";
    }
}

void ApplyIni(const IniFile& ini, ProgramState& st, LoadReport& report) {
    Settings& c = st.Cnf;
    MainWindowPlacement& main = st.Place.MainPlacement;

    c.Version = ini.ReadInteger("Pelorand", "Version", c.Version);
    // Folders are paths and are taken whole, however long.
    st.Paths.OpenFolder = ini.Find("Pelorand", "Open").value_or(st.Paths.OpenFolder);
    st.Paths.SaveFolder = ini.Find("Pelorand", "Save").value_or(st.Paths.SaveFolder);
    st.Paths.BrowseFolder = ini.Find("Pelorand", "Fold").value_or(st.Paths.BrowseFolder);

    main.Maximized = ini.ReadInteger("MainForm", "WinState", main.Maximized);
    ReadRect(ini, "MainForm", main.Bounds);
    main.TargetPaneHeight = ini.ReadInteger("MainForm", "Pnl_H", main.TargetPaneHeight);

    // The older form of the result font; a Font_Rslt key overrides it.
    // An empty face name is no font, and the font text written at the next save
    // could not hold it (its empty field would collapse): the face stays.
    if (std::string face = ini.ReadString("Font", "FontName", ""); !face.empty())
        c.ResultFont.FaceName = face;
    c.ResultFont.PointSize = ini.ReadInteger("Font", "FontSize", c.ResultFont.PointSize);
    c.ResultFont.StyleBits =
        static_cast<std::uint8_t>(ini.ReadInteger("Font", "FontStyl", c.ResultFont.StyleBits) & 0xFF);

    for (const SettingRow& row : SettingRows()) ReadSetting(ini, row, c);
    c.LanguagePatterns = ini.ReadSection(kLanguagePatternSection, true);
    st.StoredLanguagePatterns = c.LanguagePatterns;
    st.DiffOld = ReadTargetLine(ini, "Settei", "DiffOld", "utf8DiffOld").value_or(st.DiffOld);
    st.DiffNew = ReadTargetLine(ini, "Settei", "DiffNew", "utf8DiffNew").value_or(st.DiffNew);

    RebuildExtensionLists(c);
    ReadRect(ini, "SrcCnf", st.Place.EditorPlacement);

    if (ini.ReadInteger("MainToolBar", "Rev", 0) == 2) {
        ToolBarRecord t;
        t.Visible = ini.ReadInteger("MainToolBar", "Visible", t.Visible);
        t.DockedTo = ini.ReadString("MainToolBar", "DockedTo", t.DockedTo);
        t.DockRow = ini.ReadInteger("MainToolBar", "DockRow", t.DockRow);
        t.DockPos = ini.ReadInteger("MainToolBar", "DockPos", t.DockPos);
        t.FloatLeft = ini.ReadInteger("MainToolBar", "FloatLeft", t.FloatLeft);
        t.FloatTop = ini.ReadInteger("MainToolBar", "FloatTop", t.FloatTop);
        st.ToolBar = t;
    }

    report.UnreadableMemos = LoadEnvironments(ini, ReadFolder(st.Paths), st.Envs);
    for (int i = 0; i < st.Envs.Count(); ++i) st.Envs.At(i).StoredAt = i + 1;
    st.StoredEnvs = StoredFromLoaded(st.Envs);
    st.StoredSettings = SettingValues(st);
    RememberStored(ini, st.StoredSettings);
    st.StoredToolBar = ToolBarValues(st.ToolBar.value_or(ToolBarRecord{}));
    RememberStored(ini, st.StoredToolBar);
    st.StoredDiffOld = ReadTargetLine(ini, "Settei", "DiffOld", "utf8DiffOld");
    st.StoredDiffNew = ReadTargetLine(ini, "Settei", "DiffNew", "utf8DiffNew");
}

}  // namespace

// ---- where the files live ----

std::string ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0') return std::string(home) + "/.config";
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return std::string(pw->pw_dir) + "/.config";
    return ".config";
}

ProgramPaths LocateProgramPaths(const std::string& programFile, const std::string& configHome) {
    std::filesystem::path program(programFile);
    ProgramPaths p;
    p.ProgramFolder = WithSlash(program.parent_path().string());
    std::string iniName = program.stem().string() + ".ini";
    // The effective ids and capabilities decide, as they do for the save itself.
    if (faccessat(AT_FDCWD, p.ProgramFolder.c_str(), W_OK, AT_EACCESS) == 0)
        p.DataFolder = p.ProgramFolder;
    else
        p.DataFolder = WithSlash(configHome) + "zarnik/";
    p.IniPath = p.ReadIniPath = p.DataFolder + iniName;
    const std::string beside = p.ProgramFolder + iniName;
    if (p.DataFolder != p.ProgramFolder && KindOfPath(p.IniPath) == PathKind::Missing &&
        KindOfPath(beside) == PathKind::File && faccessat(AT_FDCWD, beside.c_str(), R_OK, AT_EACCESS) == 0)
        p.ReadIniPath = beside;
    std::string helpName = program.stem().string() + ".hlp";
    std::error_code ec;
    p.HelpPath = p.ProgramFolder + helpName;
    if (!std::filesystem::exists(p.HelpPath, ec))
        p.HelpPath = WithSlash(program.parent_path().parent_path().string()) + "share/zarnik/" + helpName;
    SetDefaultFolders(p);
    return p;
}

bool ReadsElsewhereThanItWrites(const ProgramPaths& p) { return p.ReadIniPath != p.IniPath; }

ProgramPaths LocateProgramPaths(const std::string& programFile) {
    return LocateProgramPaths(programFile, ConfigHome());
}

ProgramPaths PathsForIniFile(const std::string& programFile, const std::string& iniPath) {
    ProgramPaths p;
    p.ProgramFolder = WithSlash(std::filesystem::path(programFile).parent_path().string());
    p.DataFolder = WithSlash(std::filesystem::path(iniPath).parent_path().string());
    p.IniPath = p.ReadIniPath = iniPath;
    SetDefaultFolders(p);
    return p;
}

// ---- start-up and close ----

ProgramState MakeStartState(ProgramPaths paths, std::int32_t screenWidth, std::int32_t screenHeight) {
    ProgramState st;
    st.Paths = std::move(paths);
    st.Cnf = MakeDefaultSettings();
    SetDefaultPlacement(st.Place, screenWidth, screenHeight);
    return st;
}

LoadReport LoadSettings(ProgramState& st, LoadPurpose purpose) {
    LoadReport report;
    st.StoredEnvs.clear();
    st.StoredSettings.clear();
    st.StoredToolBar.clear();
    st.StoredLanguagePatterns.clear();
    st.StoredDiffOld.reset();
    st.StoredDiffNew.reset();
    // No save of another instance is half applied while the files are read. At
    // start a save that died after its commit record was in place is finished
    // first, whenever the folder can be written; only reading never carries out a
    // record.
    // The lock file is made only to finish a record: a start leaves nothing behind.
    const bool start = purpose == LoadPurpose::Start;
    const bool record = KindOfPath(CommitRecordPath(st.Paths.IniPath)) != PathKind::Missing;
    std::unique_ptr<SaveLock> lock = TakeLock(st.Paths.IniPath, start && record, start, report.Notices);
    if (start && lock->Held()) FinishDeadSave(st.Paths.IniPath, report.Notices);
    const std::string& readPath = st.Paths.ReadIniPath;
    PathKind kind = KindOfPath(readPath);
    std::string content;
    if (kind == PathKind::Missing) {
        SetDefaultEnvironments(st.Envs);
        return report;
    }
    report.IniFound = true;
    if (kind != PathKind::File || !ReadWholeFile(readPath, content)) {
        report.IniUnreadable = true;
        SetDefaultEnvironments(st.Envs);
        return report;
    }
    ApplyIni(IniFile(content), st, report);
    return report;
}

std::string IniWriteMessage(const std::string& iniPath) {
    static const std::string tail = text::Utf8ToSjis(" に書き込めません");
    return text::Utf8ToSjis(iniPath) + tail;
}

namespace {

void TakeWindowState(ProgramState& st, const WindowState& win) {
    st.Cnf.SelectedTab = win.TabIndex;
    st.Envs.StoreEnv(st.Envs.EnvIdAt(win.TabIndex), win.TargetLines, win.MemoLines);
    MainWindowPlacement& main = st.Place.MainPlacement;
    if (win.Maximized) {
        main.Maximized = 1;  // the bounds stay those last recorded for the normal window
    } else {
        main.Maximized = 0;
        main.Bounds = win.Bounds;
    }
    main.TargetPaneHeight = win.PaneHeight;
    st.ToolBar = win.ToolBar;
}

}  // namespace

std::vector<std::string> SaveSettings(ProgramState& st, const WindowState& win) {
    std::vector<std::string> notices;
    TakeWindowState(st, win);

    const std::string& iniPath = st.Paths.IniPath;
    std::error_code ec;
    std::filesystem::create_directories(st.Paths.DataFolder, ec);
    if (ec) throw SaveFailure(IniWriteMessage(iniPath));

    // One save at a time: another instance's save is finished (or was never put in
    // place) before this one reads the file it changes.
    std::unique_ptr<SaveLock> lock = TakeLock(iniPath, true, true, notices);
    if (!lock->Held()) throw SaveFailure(IniWriteMessage(iniPath));
    if (!FinishDeadSave(iniPath, notices))
        throw SaveFailure(Sjis("保存の記録 ") + Sjis(CommitRecordPath(iniPath)) + Sjis(" を処理できません"));
    RemoveStaleSaveFiles(st.Paths.DataFolder, std::filesystem::path(iniPath).filename().string());

    // The file is updated, not recreated: keys and sections the program does not
    // know stay. A file that exists but cannot be read is never replaced.
    // The first save to the config folder starts from the file read beside the program.
    IniFile ini;
    const std::string& basePath = KindOfPath(iniPath) == PathKind::Missing ? st.Paths.ReadIniPath : iniPath;
    PathKind kind = KindOfPath(basePath);
    std::string original;
    if (kind != PathKind::Missing) {
        if (kind != PathKind::File || !ReadWholeFile(basePath, original))
            throw SaveFailure(IniWriteMessage(iniPath));
        ini = IniFile(original);
        // The first save to the config folder writes its own file.
        if (basePath != iniPath) original.clear();
    }

    // Only what this window changed is written, over the files as they are now.
    // What the file will then hold is taken over only once the save is done.
    std::vector<IniValue> storedSettings = st.StoredSettings, storedToolBar = st.StoredToolBar;
    LanguagePatternList storedLanguagePatterns = st.StoredLanguagePatterns;
    std::optional<std::string> storedOld = st.StoredDiffOld, storedNew = st.StoredDiffNew;
    WriteChangedValues(ini, SettingValues(st), storedSettings);
    WriteChangedLanguagePatterns(ini, st.Cnf.LanguagePatterns, storedLanguagePatterns);
    for (const char* key : {"FontName", "FontSize", "FontStyl"}) ini.DeleteKey("Font", key);
    if (!st.DiffOld.empty() || !st.DiffNew.empty()) {
        WriteChangedTargetLine(ini, "DiffOld", "utf8DiffOld", st.DiffOld, storedOld);
        WriteChangedTargetLine(ini, "DiffNew", "utf8DiffNew", st.DiffNew, storedNew);
    }
    SaveTransaction save(CommitRecordPath(iniPath));
    MemoStage memos(st.Paths.DataFolder, ReadFolder(st.Paths), save);
    EnvSave envs = SaveEnvironmentChanges(ini, kind != PathKind::Missing, st.Envs, st.StoredEnvs, memos);
    WriteChangedValues(ini, ToolBarValues(win.ToolBar), storedToolBar);
    memos.Plan();

    // A file that would come out as it is is not written again.
    std::string text = ini.ToText();
    if (text != original && !save.Write(iniPath, text)) throw SaveFailure(IniWriteMessage(iniPath));
    std::string failed;
    if (!save.Commit(failed)) {
        // Past the commit record the next start finishes this save. What is stored
        // stays as before: the next save compares with the files as they are then.
        bool memo = failed.rfind(st.Paths.DataFolder + "memo", 0) == 0;
        throw SaveFailure(memo ? MemoWriteMessage(failed) : IniWriteMessage(iniPath));
    }
    for (int i = 0; i < st.Envs.Count(); ++i)
        st.Envs.At(i).StoredAt = envs.Positions[static_cast<std::size_t>(i)];
    st.StoredEnvs = std::move(envs.Stored);
    st.StoredSettings = std::move(storedSettings);
    st.StoredToolBar = std::move(storedToolBar);
    st.StoredLanguagePatterns = std::move(storedLanguagePatterns);
    st.StoredDiffOld = std::move(storedOld);
    st.StoredDiffNew = std::move(storedNew);
    notices.insert(notices.end(), envs.Notices.begin(), envs.Notices.end());
    st.Paths.ReadIniPath = iniPath;
    UpdateKeptMemoFiles(st);
    return notices;
}

// ---- fonts ----

std::string FontToText(const PaneFont& f) {
    return f.FaceName + "," + std::to_string(f.PointSize) + "," + f.ColorName + "," +
           std::to_string(f.StyleBits);
}

void TextToFont(std::string_view t, PaneFont& f) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos <= t.size()) {
        std::size_t comma = t.find(',', pos);
        if (comma == std::string_view::npos) comma = t.size();
        if (comma > pos) fields.push_back(t.substr(pos, comma - pos));
        pos = comma + 1;
    }
    if (fields.size() > 0) f.FaceName = std::string(fields[0]);
    if (fields.size() > 1) f.PointSize = IniIntegerOr(fields[1], 9);
    if (fields.size() > 2) f.ColorName = std::string(fields[2]);
    if (fields.size() > 3) f.StyleBits = static_cast<std::uint8_t>(IniIntegerOr(fields[3], 0) & 0xFF);
}

int FindEnvironment(const EnvList& envs, std::string_view s) {
    std::int32_t n = 0;
    bool digits = !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits && ParseIniInteger(s, n) && n >= 1 && n <= envs.Count()) return n - 1;
    for (int i = 0; i < envs.Count(); ++i)
        if (envs.At(i).EnvName == s) return i;
    return -1;
}

}  // namespace zarnik::settings
