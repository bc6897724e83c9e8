#include "report/json.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

namespace zarnik::report {
namespace {

// Strings the writer copies as they stand and strings it leaves to the JSON
// library come out as the library writes them: escapes, DEL, UTF-8 and a broken
// sequence (U+FFFD) alike.
TEST(JsonWriter, StringsAreWrittenAsTheLibraryWritesThem) {
    const std::string cases[] = {
        "",          "/usr/include/stdio.h", "a b~\x7F", "say \"hi\"",      "C:\\dir",
        "tab\there", "line\nbreak\x01",      "日本語.c", "bad\xFF\xE3\x81z"};
    for (const std::string& s : cases) {
        JsonWriter j;
        j.String(s);
        EXPECT_EQ(j.Take(), nlohmann::json(s).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace))
            << s;
    }
}

}  // namespace
}  // namespace zarnik::report
