#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace zarnik::settings {
namespace {

using zarnik::testing::Sj;
using Pairs = IniFile::Pairs;

TEST(IniFile, HandEditedLayoutReadsAsAUserExpects) {
    IniFile ini(
        "orphan=before any section\n"
        "[Main]\r\n"
        "\r\n"
        "  Width = 800  \r"
        "no equals sign here\n"
        "; note=not a key\n"
        "=no name\n"
        "[main]\n"
        "width=1\n"
        "Height=600\n"
        "[ Other ] trailing text\n"
        "Key=\" padded \"\n"
        "Quote=\"\n");
    EXPECT_EQ(ini.ReadInteger("MAIN", "WIDTH", 0), 800);   // the first occurrence wins
    EXPECT_EQ(ini.ReadInteger("Main", "Height", 0), 600);  // a later duplicate section still adds keys
    EXPECT_EQ(ini.ReadString("Other", "Key", "?"), " padded ");
    EXPECT_EQ(ini.ReadString("Other", "Quote", "?"), "\"");
    EXPECT_EQ(ini.ReadString("Main", "no equals sign here", "absent"), "absent");
    EXPECT_EQ(ini.ReadString("Main", "; note", "absent"), "absent");
    EXPECT_EQ(ini.ReadString("", "orphan", "absent"), "absent");
    EXPECT_EQ(ini.ReadSection("main"), (Pairs{{"Width", "800"}, {"Height", "600"}}));

    // Deleting keys across the two [main] sections: one left empty goes, the
    // other stays the first of the name and takes new keys.
    ini.DeleteKey("MAIN", "width");
    ini.DeleteKey("main", "height");
    EXPECT_TRUE(ini.HasSection("Main"));
    ini.WriteString("main", "New", "1");
    ini.WriteString("Third", "k", "v");
    EXPECT_EQ(
        ini.ToText(),
        "orphan=before any section\r\n\r\n[Main]\r\nno equals sign here\r\n; note=not a key\r\n=no name\r\n"
        "New=1\r\n\r\n[ Other ] trailing text\r\nKey=\" padded \"\r\nQuote=\"\r\n\r\n[Third]\r\nk=v\r\n");
}

TEST(IniFile, WritesKeepWhatTheyDoNotChange) {
    IniFile ini(
        "top line\n"
        "[A]\n"
        "x = 1\n"
        "; comment\n"
        "[B]\n"
        "y=2\n"
        "[a]\n"
        "x=hidden\n"
        "z=3\n");
    ini.WriteString("A", "x", "1");    // same value: the line keeps its spelling
    ini.WriteString("A", "new", "n");  // new key: end of the first [A]
    ini.WriteInteger("C", "c", -5);    // new section: end of the file
    EXPECT_EQ(
        ini.ToText(),
        "top line\r\n\r\n[A]\r\nx = 1\r\n; comment\r\nnew=n\r\n\r\n[B]\r\ny=2\r\n\r\n[a]\r\nx=hidden\r\n"
        "z=3\r\n\r\n[C]\r\nc=-5\r\n");

    ini.DeleteKey("a", "X");  // every occurrence: the hidden one must not surface
    EXPECT_EQ(ini.ReadString("A", "x", "gone"), "gone");
    ini.DeleteKey("B", "y");  // a section left empty disappears
    EXPECT_FALSE(ini.HasSection("B"));
    ini.EraseSection("A");  // every section of that name
    EXPECT_EQ(ini.ReadString("A", "z", "gone"), "gone");
    EXPECT_EQ(ini.ToText(), "top line\r\n\r\n[C]\r\nc=-5\r\n");
}

TEST(IniFile, SectionReadsListKeysInFileOrderWithoutEmptyValues) {
    IniFile ini("[S]\nk2=b\nk1=\nK2=dup\nk3=\"\"\nk0=a\n");
    EXPECT_EQ(ini.ReadSection("s"), (Pairs{{"k2", "b"}, {"k3", ""}, {"k0", "a"}}));
    EXPECT_EQ(ini.ReadSection("s", true), (Pairs{{"k2", "b"}, {"k1", ""}, {"k3", ""}, {"k0", "a"}}));
    EXPECT_TRUE(ini.ReadSection("missing").empty());

    IniFile out;
    out.WriteString("S", "plain", "");
    out.WriteString("S", "marked", "", true);
    out.WriteString("S", "blank", "  x ");
    out.WriteString("S", "quoted", "\"q\"");
    out.WriteString("S", "broken", "a\r\nb");
    IniFile back(out.ToText());
    EXPECT_EQ(back.ReadSection("S"),
              (Pairs{{"marked", ""}, {"blank", "  x "}, {"quoted", "\"q\""}, {"broken", "a  b"}}));
}

TEST(IniFile, LongValuesReadCutButSurviveBeingWrittenBack) {
    std::string longValue = std::string(1022, 'x') + Sj("漢字");  // 1026 bytes
    IniFile ini("[S]\nlong=" + longValue + "\n");
    std::string cut = ini.ReadString("S", "long", "");
    EXPECT_EQ(cut, std::string(1022, 'x'));  // never half a double-byte character
    EXPECT_EQ(ini.Find("S", "long"), longValue);

    ini.WriteString("S", "long", cut);  // the program writes back what it read
    EXPECT_EQ(IniFile(ini.ToText()).Find("S", "long"), longValue);
    ini.WriteString("S", "long", "short");
    EXPECT_EQ(ini.Find("S", "long"), "short");
    EXPECT_EQ(ini.ReadString("S", "long", "").size(), 5u);
    EXPECT_EQ(IniFile("[S]\nk=" + std::string(2000, 'y')).ReadString("S", "k", "").size(), 1023u);
}

TEST(IniFile, IntegersAndCaseFolding) {
    IniFile ini("[N]\nhex=0x10\ndollar=$10\nbad=12abc\nneg=-3\n[" + Sj("設定") + "]\nKEY=1\n");
    EXPECT_EQ(ini.ReadInteger("N", "hex", 0), 16);
    EXPECT_EQ(ini.ReadInteger("N", "dollar", 0), 16);
    EXPECT_EQ(ini.ReadInteger("N", "bad", 7), 7);
    EXPECT_EQ(ini.ReadInteger("N", "neg", 0), -3);
    EXPECT_EQ(ini.ReadInteger("N", "absent", 9), 9);
    EXPECT_EQ(ini.ReadInteger(Sj("設定"), "key", 0), 1);
    // The second byte of "ア" (83 41) looks like "A", of "ヂ" (83 61) like "a": no folding.
    EXPECT_NE(FoldIniName(Sj("ア")), FoldIniName(Sj("ヂ")));
    EXPECT_EQ(FoldIniName("FILES_1"), "files_1");
}

}  // namespace
}  // namespace zarnik::settings
