// Saving the environments as changes: a save writes what this window changed since
// it last loaded or saved them, over what the files hold now, so that it never
// undoes what another window saved meanwhile, and a save of unchanged
// environments writes nothing.
//
// An environment is matched with the one the files hold now at its stored position
// (or, when another window added, deleted or moved environments, by the order of
// the names). Each part (name, target lines, memo) that this window changed is
// written; a part it did not change stays as the files hold it. When both windows
// changed the same environment differently, this window's version takes its place
// and the other one is kept beside it as an added environment whose name ends in
// "(別ｳｨﾝﾄﾞｳ)". Environments only the other window has are kept where it put them;
// one this window deleted goes unless the other window changed it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/environments.h"
#include "settings/ini_file.h"

namespace zarnik::settings {

// An environment as the last load or save left it in the files, at its position.
struct StoredEnv {
    std::string Name;       // Shift-JIS
    Lines TargetLines;      // native
    Lines MemoLines;        // Shift-JIS
    bool MemoKept = false;  // its memo file could not be read: it is never compared
    // Whether one of this window's environments stands for it. One that no longer
    // does was deleted here; one another window saved never was this window's to delete.
    bool Shown = true;

    bool operator==(const StoredEnv&) const = default;
};

// What the files hold after a load: the list as loaded, each at its position.
std::vector<StoredEnv> StoredFromLoaded(const EnvList& envs);

struct EnvSave {
    std::vector<StoredEnv> Stored;        // the files' environments once the save is done
    std::vector<std::int32_t> Positions;  // each of envs' positions then (0: not saved)
    std::vector<std::string> Notices;     // what the user should be told (Shift-JIS)
};

// Writes into ini (the INI file as the disk holds it now; iniOnDisk false when
// there is none) and stages in memos what envs changed since stored. Throws
// SaveFailure when a memo file cannot be written.
EnvSave SaveEnvironmentChanges(IniFile& ini, bool iniOnDisk, const EnvList& envs,
                               const std::vector<StoredEnv>& stored, MemoStage& memos);

// "(別ｳｨﾝﾄﾞｳ)" in Shift-JIS: ends the name of the other window's copy.
const std::string& OtherWindowMark();

}  // namespace zarnik::settings
