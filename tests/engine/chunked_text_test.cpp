// A file read in pieces counts as the same file read whole, whatever the piece
// size: lines, CR LF pairs, comments and literals across piece ends, the first
// NUL, the pre-check, the guesser's second reading, UTF-8 and EUC/JIS text, and
// the class each line is told to have.
#include "engine/chunked_text.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "engine_test_util.h"

namespace zarnik::engine {
namespace {

using settings::MakeDefaultSettings;
using settings::Settings;
using zarnik::testing::Sj;
using zarnik::testing::TempDir;

struct Figures {
    FileStatus Status;
    int Kind;
    std::int64_t Total, Comment, Exec, Blank;
    bool KanjiMode, KanaMode;          // the converter's state left for the next file
    std::vector<LineClassOf> Classes;  // as change counting asks for them
    bool operator==(const Figures&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Figures& f) {
    return os << "{status " << static_cast<int>(f.Status) << ", kind " << f.Kind << ", " << f.Total << "/"
              << f.Comment << "/" << f.Exec << "/" << f.Blank << ", shift " << f.KanjiMode << f.KanaMode
              << ", " << f.Classes.size() << " classes}";
}

// Counts the file with pieces of chunk bytes (0: read whole).
Figures CountIn(const Settings& cnf, const std::string& path, const std::string& name, std::size_t chunk) {
    CountContext ctx;
    if (chunk) ctx.ChunkBytes = chunk;
    LineLog log;
    ctx.LineClasses = &log;
    FileCounts rec;
    CountFile(run::CountOptionsFrom(cnf), path, {name, 0, 0}, rec, ctx);
    return {rec.Status,
            rec.Kind,
            rec.Total,
            rec.Comment,
            rec.Exec,
            rec.Blank,
            ctx.Converter.KanjiMode(),
            ctx.Converter.KanaMode(),
            log.Classes};
}

struct Sample {
    const char* Label;
    const char* Name;
    std::string Bytes;
};

std::vector<Sample> Samples() {
    const std::string x600(600, 'x'), x2049(2049, 'x');
    std::string halfKana, utf8Kanji;
    for (int i = 0; i < 511; ++i) halfKana += "\xEF\xBD\xB1";   // "ｱ": three bytes, one in Shift-JIS
    for (int i = 0; i < 700; ++i) utf8Kanji += "\xE6\xBC\xA2";  // "漢"
    std::string shifts;  // 3,000 bytes of JIS shifts that convert to nothing
    for (int i = 0; i < 500; ++i) shifts += "\x1b$B\x1b(B";
    return {
        {"crlf", "a.c", "int a;\r\n/* b\r\n c */\r\n\r\nd;\n\re;\r\r\nf; // g\r"},
        {"comment_spans", "b.c", "x; /*\n\n  *\n" + std::string(300, ' ') + "y\n*/ z;\n\"/*\" q;\n"},
        {"asm_block", "c.asm", "COMMENT !\n  a\n\n b ! mov\n; c\nmov ax,1\n"},
        {"basic", "d.bas", "' a _\nx\n\ny _\nRem z\n\"'\" q\n"},
        {"sql", "e.sql", "a := 'it''s';\n/* b\n-- */ c;\n-- d\n"},
        {"sjis", "f.c", Sj("s = \"ソ\"; /* 表 */\n// 能\\\n\"予\\\"\"; x\n")},
        {"nul", "g.c", std::string("int a;\n/* b */\n\0 junk\r\nint c;\n", 31)},
        {"nul_in_long_line", "h.c", "a;\n" + x2049 + std::string("\0\n", 2) + "b;\n"},
        {"head_unfit", "i.c", std::string(515, 'x') + "\nint a;\n"},
        {"head_fits", "j.c", std::string(514, 'x') + "\nint a;\n"},
        {"long_lines", "k.c",
         "/* a\n" + x600 + "\n" + x2049 + "\r\n" + x2049 + "\r" + x2049 + "*/\nb;\n" + x2049},
        {"guess_late", "l.c", std::string(40, '\n') + "hello\nworld\nmov ax, 1 ; x\n/* y */\nz\n"},
        {"jis", "m.c", "a = \"\x1b$B4A\x1b(B\"; /* \x1b$B4A\nb */\n\x1b$B4A4A\n\x1b(B/* c */\n"},
        {"jis_long_line", "m2.c", "a;\n" + shifts + "b; /* c\n*/\n"},
        {"euc", "n.c", "s = \"\xB4\xC1\"; // \xB4\xC1\n\xB4\xC1 */\n"},
        {"utf8", "o.java",
         "s = \"\xE3\x81\x82\"; // \xE6\xBC\xA2\n/* \xE6\xBC\xA2\n*/ x;\n" + utf8Kanji + "\n"},
        {"utf8_last_byte", "p.c", "a;\n/* \xE6\xBC\xA2"},
        // Its only character of more than one byte ends the file: 512 bytes as read
        // (left out, status 3), 511 in Shift-JIS (counted).
        {"utf8_last_character", "p2.c", "a;\n" + std::string(509, 'x') + "\xE3\x81\x82"},
        {"utf8_broken_late", "q.c", "a; // \xE6\xBC\xA2\n" + std::string(3000, 'b') + "\n\xE6\xBC\n"},
        {"utf8_bom", "r.c", "\xEF\xBB\xBF/* \x82 */\r\n\xE6\xBC\xA2;\r\n"},
        // 511 half-width kana are 1533 bytes of UTF-8 and 511 of Shift-JIS: counted.
        {"utf8_kana_line", "s.c", "a;\n" + halfKana + "\nb; // \xE3\x81\x82\n"},
    };
}

TEST(ChunkedText, PiecesOfAnySizeCountAsTheWholeFile) {
    TempDir dir;
    std::vector<Settings> settings(5, MakeDefaultSettings());
    settings[1].ConvertEucJis = 1;
    settings[2].ConvertUtf8 = 0;
    settings[3].CounterChoice = 4;  // the guess
    settings[4].CounterChoice = 4;
    settings[4].ConvertEucJis = 1;
    settings[4].BlankInCommentIsBlank = 1;
    for (const Sample& s : Samples()) {
        const std::string path = dir.Write(s.Name, s.Bytes);
        for (std::size_t i = 0; i < settings.size(); ++i) {
            const Figures whole = CountIn(settings[i], path, s.Name, 0);
            for (std::size_t chunk : {1, 2, 3, 5, 64, 700, 5000})
                EXPECT_EQ(CountIn(settings[i], path, s.Name, chunk), whole)
                    << s.Label << ", settings " << i << ", pieces of " << chunk;
        }
    }
}

TEST(ChunkedText, LongLinesCostNoMemoryUnlessTheConverterReadsThem) {
    TempDir dir;
    const std::string path = dir.Write("long.c", "/* a */\n" + std::string(8 << 20, 'x') + "\nb;\n");
    Settings cnf = MakeDefaultSettings();
    for (int eucJis : {0, 1}) {
        cnf.ConvertEucJis = eucJis;
        CountContext ctx;
        ctx.ChunkBytes = 64 << 10;
        FileCounts rec;
        CountFile(run::CountOptionsFrom(cnf), path, {"long.c", 0, 0}, rec, ctx);
        EXPECT_EQ(rec.Total, 2);
        EXPECT_EQ(rec.Comment, 1);
        if (eucJis)
            EXPECT_GT(ctx.Text.capacity(), std::size_t{8} << 20);  // the line is converted whole
        else
            EXPECT_LT(ctx.Text.capacity(), std::size_t{80} << 10);
    }
}

TEST(ChunkedText, FileShorterAtTheSecondReadingIsAReadError) {
    // The guess reads the text again once it has found its marker; had the file
    // lost its end since, the count would be wrong.
    TempDir dir;
    std::string text = "{\n";
    for (int i = 0; i < 1000; ++i) text += "int a;\n";
    const std::string path = dir.Write("shrinks.c", text);
    Fd fd(::open(path.c_str(), O_RDONLY));
    ByteBuffer buf, converted;
    detail::ChunkedText pieces(fd, path, text.size(), 100, false, 0, buf, converted);
    std::string_view piece;
    std::string read;
    while (pieces.Next(piece)) read += piece;
    EXPECT_EQ(read, text);
    ASSERT_EQ(::truncate(path.c_str(), 4000), 0);
    pieces.Rewind();
    try {
        while (pieces.Next(piece)) {
        }
        FAIL() << "no error raised";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Code(), EIO);
        EXPECT_EQ(e.Path(), path);
    }
}

}  // namespace
}  // namespace zarnik::engine
