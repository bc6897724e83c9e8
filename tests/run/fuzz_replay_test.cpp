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

using Entry = void (*)(std::string_view);

struct Target {
    const char* Name;
    Entry Fn;
};

const Target kTargets[] = {
    {"count", CountInput},          {"euc_jis", EucJisInput},
    {"ini_text", IniTextInput},     {"settings_file", SettingsFileInput},
    {"font_color", FontColorInput}, {"target_line", TargetLineInput},
};

fs::path DataFolder() {
    const char* data = std::getenv("ZARNIK_DATA");
    return data ? fs::path(data) : fs::path("tests/data");
}

class FuzzReplay : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzReplay, EveryKeptInputPassesItsChecks) {
    FailHandler() = [](const std::string& what) { throw std::runtime_error(what); };
    const Target& target = GetParam();
    int replayed = 0;
    for (const fs::path& folder :
         {DataFolder() / "../../fuzz/corpus" / target.Name, DataFolder() / "fuzz" / target.Name}) {
        if (!fs::is_directory(folder)) continue;
        for (const auto& e : fs::directory_iterator(folder)) {
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            EXPECT_NO_THROW(target.Fn(bytes.str())) << e.path();
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0) << "no input for " << target.Name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(kTargets),
                         [](const ::testing::TestParamInfo<Target>& info) {
                             return std::string(info.param.Name);
                         });

}  // namespace
}  // namespace zarnik::fuzz
