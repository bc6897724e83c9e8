#include "engine/language_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_util.h"

namespace zarnik::engine {
namespace {

// Every malformed entry is one message naming the file and line; the languages
// around it load.
TEST(LanguageTable, ErrorsNameFileAndLineAndTheRestLoads) {
    LanguageTable t;
    ParseLanguages(
        "# a note\n"
        "[Good]\n"
        "kind = Gd\n"
        "extensions = *.gd\n"
        "line = # ;\n"
        "string = \" \" esc multi\n"
        "\n"
        "[NoKind]\n"
        "extensions = *.nk\n"
        "[Unknown]\n"
        "kind = Un\n"
        "extensions = *.un\n"
        "colour = red\n"
        "[BadFlag]\n"
        "kind = Bf\n"
        "extensions = *.bf\n"
        "string = ' ' loud\n"
        "[Good]\n"
        "kind = G2\n"
        "extensions = *.g2\n"
        "[TooLong]\n"
        "kind = TooLong\n"
        "filenames = X\n"
        "[OddBlock]\n"
        "kind = Ob\n"
        "shebang = ob\n"
        "block = /*\n"
        "[Nothing]\n"
        "kind = No\n"
        "[Many]\n"
        "kind = Ma\n"
        "extensions = *.ma\n"
        "line =" +
            [] {
                std::string many;
                for (int i = 0; i < 65; ++i) many += " #";
                return many;
            }() +
            "\n"
            "[Last]\n"
            "kind = La\n"
            "filenames = Lastfile\n",
        "my.conf", t);
    ASSERT_EQ(t.Languages.size(), 2u);
    EXPECT_EQ(t.Languages[0].Name, "Good");
    EXPECT_EQ(t.Languages[0].Extensions, std::vector<std::string>{".gd"});
    EXPECT_EQ(t.Languages[0].LineComments, (std::vector<std::string>{"#", ";"}));
    EXPECT_TRUE(t.Languages[0].Strings.at(0).Multi);
    EXPECT_EQ(t.Languages[0].TotalsLabel, "□Gd･ｿｰｽ 合計");
    EXPECT_EQ(t.Languages[1].Name, "Last");
    EXPECT_EQ(t.Errors, (std::vector<std::string>{
                            "my.conf:8: no kind", "my.conf:13: unknown key 'colour'",
                            "my.conf:17: unknown string flag 'loud'", "my.conf:18: a second section [Good]",
                            "my.conf:22: bad value of 'kind'", "my.conf:27: bad value of 'block'",
                            "my.conf:28: none of extensions, filenames and shebang",
                            "my.conf:30: more than 64 comment and string forms"}));
}

// The user's file replaces a shipped language whole, where it stood, and adds its
// own after; a file too large or not text is refused whole, naming it.
TEST(LanguageTable, UserFileReplacesAndBadFilesAreRefused) {
    const testing::TempDir tmp;
    auto write = [&](const char* name, const std::string& content) { return tmp.Write(name, content); };
    const std::string shipped =
        write("shipped.conf", "[A]\nkind = A\nextensions = *.a\n[B]\nkind = B\nextensions = *.b\n");
    const std::string user =
        write("user.conf", "[A]\nkind = A2\nfilenames = Afile\n[C]\nkind = C\nextensions = *.c3\n");
    const std::string binary = write("binary.conf", std::string("[D]\nkind = D\0\n", 14));
    const std::string huge = write("huge.conf", std::string(kMaxLanguageFileBytes + 1, '#'));
    const LanguageTable t = LoadLanguageTable({shipped, user, binary, huge, tmp.str() + "/missing.conf"});
    ASSERT_EQ(t.Languages.size(), 3u);
    EXPECT_EQ(t.Languages[0].Kind, "A2");
    EXPECT_TRUE(t.Languages[0].Extensions.empty());
    EXPECT_EQ(t.Languages[1].Name, "B");
    EXPECT_EQ(t.Languages[2].Name, "C");
    EXPECT_EQ(t.Errors,
              (std::vector<std::string>{binary + ": not UTF-8 text", huge + ": larger than 1 MiB"}));
}

TEST(LanguageTable, NamesExtensionsAndShebangsFindTheirLanguage) {
    LanguageTable t;
    ParseLanguages(
        "[Make]\nkind = Make\nfilenames = Makefile\n"
        "[Py]\nkind = Py\nextensions = *.py\nshebang = python\n"
        "[Sh]\nkind = Sh\nshebang = sh bash\n",
        "t.conf", t);
    ASSERT_TRUE(t.Errors.empty());
    auto nameOf = [&](std::string_view name, std::string_view first) {
        const Language* l = LanguageOfName(t, name, first);
        return l ? l->Name : std::string("-");
    };
    EXPECT_EQ(nameOf("Makefile", ""), "Make");
    EXPECT_EQ(nameOf("sub/Makefile", ""), "Make");
    EXPECT_EQ(nameOf("makefile", ""), "-");
    EXPECT_EQ(nameOf("A.PY", ""), "Py");
    EXPECT_EQ(nameOf("run", "#!/usr/bin/env python3.11 -u"), "Py");
    EXPECT_EQ(nameOf("run", "#!/usr/bin/env -S python"), "Py");
    EXPECT_EQ(nameOf("run", "#! /bin/bash -e\r"), "Sh");
    EXPECT_EQ(nameOf("run", "#!/usr/bin/pythonista"), "-");
    // An extension decides: a shebang never makes a .txt file a script.
    EXPECT_EQ(nameOf("notes.txt", "#!/bin/sh"), "-");
    EXPECT_EQ(LabelWidth("□Java･ｿｰｽ 合計"), 15u);
}

TEST(LanguageTable, ShippedFileIsBesideTheProgramElseUnderShare) {
    const testing::TempDir tmp;
    const std::filesystem::path dir = tmp.path();
    std::filesystem::create_directories(dir / "bin");
    EXPECT_EQ(LanguageFiles((dir / "bin" / "zarnik").string(), "/home/u/.config"),
              (std::vector<std::string>{(dir / "share/zarnik/languages.conf").string(),
                                        "/home/u/.config/zarnik/languages.conf"}));
    std::ofstream(dir / "bin" / "languages.conf") << "\n";
    EXPECT_EQ(LanguageFiles((dir / "bin" / "zarnik").string(), "/c").front(),
              (dir / "bin" / "languages.conf").string());
}

}  // namespace
}  // namespace zarnik::engine
