// Replays every fuzzing input kept in the repository through the entry points the
// fuzzers use: the seed corpus (fuzz/corpus/<target>/) and the inputs that once
// failed (tests/data/fuzz/<target>/), so that a fault found once stays mended.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../../fuzz/targets.h"

namespace zarnik::fuzz {
namespace {

namespace fs = std::filesystem;

fs::path DataFolder() {
    const char* data = std::getenv("ZARNIK_DATA");
    return data ? fs::path(data) : fs::path("tests/data");
}

// Runs every kept input of the target through its entry point; a failed check
// fails the test with the input's path.
void Replay(const char* target, void (*entry)(std::string_view)) {
    FailHandler() = [](const std::string& what) { throw std::runtime_error(what); };
    int replayed = 0;
    for (const fs::path& folder :
         {DataFolder() / "../../fuzz/corpus" / target, DataFolder() / "fuzz" / target}) {
        if (!fs::is_directory(folder)) continue;
        for (const auto& e : fs::directory_iterator(folder)) {
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            EXPECT_NO_THROW(entry(bytes.str())) << e.path();
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0) << "no input for " << target;
}

TEST(FuzzReplay, Count) { Replay("count", CountInput); }
TEST(FuzzReplay, EucJis) { Replay("euc_jis", EucJisInput); }
TEST(FuzzReplay, IniText) { Replay("ini_text", IniTextInput); }
TEST(FuzzReplay, SettingsFile) { Replay("settings_file", SettingsFileInput); }
TEST(FuzzReplay, FontColor) { Replay("font_color", FontColorInput); }
TEST(FuzzReplay, TargetLine) { Replay("target_line", TargetLineInput); }

}  // namespace
}  // namespace zarnik::fuzz
