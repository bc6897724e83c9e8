// The benchmark corpus: a deterministic tree of C/C++, Java, assembler, PL/SQL and
// BASIC sources of realistic shapes and sizes, with a few large files and a few
// files that are not sources. The same seed always gives the same bytes.
#include "corpus.h"

#include <sys/stat.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace zarnik::bench {

namespace {

namespace fs = std::filesystem;

// splitmix64: small, fast and the same on every platform (the standard
// distributions are not).
class Rng {
public:
    explicit Rng(std::uint64_t seed) : s_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 <= result < n
    std::size_t Below(std::size_t n) { return n ? static_cast<std::size_t>(Next() % n) : 0; }
    int Range(int lo, int hi) { return lo + static_cast<int>(Below(static_cast<std::size_t>(hi - lo + 1))); }
    bool Chance(int percent) { return static_cast<int>(Below(100)) < percent; }
    double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
    // Standard normal (Box-Muller); deterministic because Unit is.
    double Normal() {
        double u1 = Unit(), u2 = Unit();
        if (u1 < 1e-12) u1 = 1e-12;
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }
    template <class T, std::size_t N>
    const T& Pick(const std::array<T, N>& a) {
        return a[Below(N)];
    }

private:
    std::uint64_t s_;
};

const std::array<std::string_view, 40> kWords = {
    "buffer", "parser", "net",    "socket", "config", "table",  "index",  "cache", "queue",  "stream",
    "token",  "symbol", "header", "record", "field",  "packet", "timer",  "event", "signal", "thread",
    "memory", "alloc",  "string", "format", "report", "total",  "count",  "line",  "block",  "page",
    "device", "driver", "port",   "serial", "screen", "window", "dialog", "menu",  "file",   "path"};

const std::array<std::string_view, 12> kTypes = {"int",    "long",         "char *", "unsigned int",
                                                 "size_t", "double",       "short",  "BYTE *",
                                                 "DWORD",  "const char *", "void *", "WORD"};

// Shift-JIS comment texts: "ファイルを読み込む", "初期化処理", "エラー処理", "合計を計算する".
const std::array<std::string_view, 4> kSjisTexts = {
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDE",
    "\x8F\x89\x8A\xFA\x89\xBB\x8F\x88\x97\x9D",
    "\x83\x47\x83\x89\x81\x5B\x8F\x88\x97\x9D",
    "\x8D\x87\x8C\x76\x82\xF0\x8C\x76\x8E\x5A\x82\xB7\x82\xE9",
};

// Writes one file's text; lines are joined with the file's line break.
class Text {
public:
    Text(Rng& rng, bool crlf) : rng_(rng), eol_(crlf ? "\r\n" : "\n") {}
    void Line(std::string_view s = {}) {
        out_.append(s);
        out_.append(eol_);
    }
    void Indented(int depth, std::string_view s, bool tabs) {
        if (tabs)
            out_.append(static_cast<std::size_t>(depth), '\t');
        else
            out_.append(static_cast<std::size_t>(depth) * 4, ' ');
        Line(s);
    }
    std::string& Buf() { return out_; }
    std::size_t Size() const { return out_.size(); }
    Rng& R() { return rng_; }

    std::string Word() { return std::string(rng_.Pick(kWords)); }
    std::string Ident() {
        std::string s = Word();
        if (rng_.Chance(60)) s += "_" + Word();
        if (rng_.Chance(20)) s += std::to_string(rng_.Below(100));
        return s;
    }
    std::string Sentence(int minWords, int maxWords) {
        int n = rng_.Range(minWords, maxWords);
        std::string s;
        for (int i = 0; i < n; ++i) {
            if (i) s += ' ';
            s += Word();
        }
        return s;
    }
    std::string CommentText() {
        return rng_.Chance(25) ? std::string(rng_.Pick(kSjisTexts)) + " " + Word() : Sentence(2, 9);
    }

private:
    Rng& rng_;
    std::string out_;
    std::string_view eol_;
};

void CBlockComment(Text& t, int depth, bool tabs) {
    t.Indented(depth, "/*", tabs);
    int n = t.R().Range(1, 6);
    for (int i = 0; i < n; ++i) t.Indented(depth, " * " + t.CommentText(), tabs);
    if (t.R().Chance(20)) t.Indented(depth, " *", tabs);
    t.Indented(depth, " */", tabs);
}

std::string CStatement(Text& t) {
    Rng& r = t.R();
    switch (r.Below(9)) {
        case 0:
            return t.Ident() + " = " + t.Ident() + " + " + std::to_string(r.Below(1000)) + ";";
        case 1:
            return "if (" + t.Ident() + " == NULL) return -1;";
        case 2:
            return t.Ident() + "(" + t.Ident() + ", \"" + t.Sentence(1, 4) + "\\n\", " + t.Ident() + ");";
        case 3:
            return "for (i = 0; i < " + t.Ident() + "; i++) " + t.Ident() + "[i] = 0;";
        case 4:
            return t.Ident() + " = " + t.Ident() + "; /* " + t.Sentence(1, 4) + " */";
        case 5:
            return t.Ident() + "->" + t.Word() + " = " + t.Ident() + "; // " + t.CommentText();
        case 6:
            return "printf(\"%s: \\\"" + t.Word() + "\\\" %d\\n\", " + t.Ident() + ", " + t.Ident() + ");";
        case 7:
            return "memcpy(" + t.Ident() + ", " + t.Ident() + ", sizeof(" + t.Ident() + "));";
        default:
            return "return " + t.Ident() + ";";
    }
}

void CFunctionBody(Text& t, int depth, bool tabs, int statements) {
    Rng& r = t.R();
    for (int i = 0; i < statements; ++i) {
        int k = static_cast<int>(r.Below(100));
        if (k < 8) {
            t.Line();
        } else if (k < 14) {
            t.Indented(depth, "// " + t.CommentText(), tabs);
        } else if (k < 18 && depth < 4) {
            t.Indented(depth, "while (" + t.Ident() + " > 0) {", tabs);
            CFunctionBody(t, depth + 1, tabs, r.Range(1, 5));
            t.Indented(depth, "}", tabs);
        } else if (k < 20) {
            CBlockComment(t, depth, tabs);
        } else {
            t.Indented(depth, CStatement(t), tabs);
        }
    }
}

void WriteCSource(Text& t, std::size_t target, bool header) {
    Rng& r = t.R();
    bool tabs = r.Chance(40);
    t.Line("/*");
    for (int i = r.Range(3, 20); i > 0; --i) t.Line(" * " + t.CommentText());
    t.Line(" */");
    t.Line();
    if (header) {
        std::string guard = t.Ident() + "_H";
        t.Line("#ifndef " + guard);
        t.Line("#define " + guard);
    }
    for (int i = r.Range(2, 12); i > 0; --i) t.Line("#include <" + t.Word() + ".h>");
    t.Line();
    while (t.Size() < target) {
        if (header || r.Chance(15)) {
            if (r.Chance(30)) t.Line("/** " + t.CommentText() + " */");
            t.Line("#define " + t.Ident() + " " + std::to_string(r.Below(65536)));
            if (r.Chance(40))
                t.Line("extern " + std::string(r.Pick(kTypes)) + " " + t.Ident() + "(" +
                       std::string(r.Pick(kTypes)) + " " + t.Word() + ");");
            continue;
        }
        if (r.Chance(50)) CBlockComment(t, 0, tabs);
        t.Line((r.Chance(30) ? "static " : "") + std::string(r.Pick(kTypes)) + " " + t.Ident() + "(" +
               std::string(r.Pick(kTypes)) + " " + t.Word() + ", int " + t.Word() + ")");
        t.Line("{");
        CFunctionBody(t, 1, tabs, r.Range(3, 40));
        t.Line("}");
        t.Line();
    }
    if (header) t.Line("#endif");
}

void WriteJava(Text& t, std::size_t target) {
    Rng& r = t.R();
    t.Line("/*");
    for (int i = r.Range(3, 15); i > 0; --i) t.Line(" * " + t.CommentText());
    t.Line(" */");
    t.Line("package com.example." + t.Word() + ";");
    t.Line();
    for (int i = r.Range(2, 10); i > 0; --i) t.Line("import java.util." + t.Word() + ";");
    t.Line();
    t.Line("public class " + t.Word() + t.Word() + " {");
    while (t.Size() < target) {
        t.Line();
        t.Indented(1, "/**", false);
        for (int i = r.Range(1, 5); i > 0; --i) t.Indented(1, " * " + t.CommentText(), false);
        t.Indented(1, " * @param " + t.Word() + " " + t.Sentence(1, 5), false);
        t.Indented(1, " */", false);
        t.Indented(1,
                   "public " + std::string(r.Chance(50) ? "int " : "String ") + t.Word() + "(String " +
                       t.Word() + ") {",
                   false);
        for (int i = r.Range(2, 30); i > 0; --i) {
            int k = static_cast<int>(r.Below(100));
            if (k < 8)
                t.Line();
            else if (k < 15)
                t.Indented(2, "// " + t.CommentText(), false);
            else if (k < 25)
                t.Indented(2, "String " + t.Word() + " = \"" + t.Sentence(1, 5) + "\";", false);
            else
                t.Indented(
                    2,
                    t.Ident() + "." + t.Word() + "(" + t.Ident() + ", " + std::to_string(r.Below(100)) + ");",
                    false);
        }
        t.Indented(2, "return " + t.Ident() + ";", false);
        t.Indented(1, "}", false);
    }
    t.Line("}");
}

void WriteAsm(Text& t, std::size_t target) {
    Rng& r = t.R();
    const std::array<std::string_view, 10> ops = {"mov", "push", "pop",  "add", "sub",
                                                  "cmp", "jne",  "call", "lea", "xor"};
    const std::array<std::string_view, 8> regs = {"ax", "bx", "cx", "dx", "si", "di", "bp", "es"};
    t.Line(";");
    for (int i = r.Range(3, 12); i > 0; --i) t.Line("; " + t.CommentText());
    t.Line(";");
    t.Line("\tASSUME CS:CGROUP, DS:DGROUP");
    while (t.Size() < target) {
        int k = static_cast<int>(r.Below(100));
        if (k < 2) {
            t.Line("COMMENT ~");
            for (int i = r.Range(1, 6); i > 0; --i) t.Line("  " + t.CommentText());
            t.Line("~");
        } else if (k < 8) {
            t.Line();
        } else if (k < 14) {
            t.Line(t.Word() + "_" + std::to_string(r.Below(1000)) + ":");
        } else if (k < 22) {
            t.Line("; " + t.CommentText());
        } else {
            std::string line = "\t" + std::string(r.Pick(ops)) + "\t" + std::string(r.Pick(regs)) + "," +
                               std::string(r.Pick(regs));
            if (r.Chance(40)) line += "\t\t; " + t.CommentText();
            t.Line(line);
        }
    }
    t.Line("\tEND");
}

void WriteSql(Text& t, std::size_t target) {
    Rng& r = t.R();
    t.Line("/*");
    for (int i = r.Range(2, 8); i > 0; --i) t.Line(" * " + t.CommentText());
    t.Line(" */");
    while (t.Size() < target) {
        int k = static_cast<int>(r.Below(100));
        if (k < 10) {
            t.Line();
        } else if (k < 20) {
            t.Line("-- " + t.CommentText());
        } else if (k < 40) {
            t.Line("CREATE OR REPLACE PROCEDURE " + t.Ident() + " IS");
            t.Line("BEGIN");
            for (int i = r.Range(1, 12); i > 0; --i)
                t.Line("  UPDATE " + t.Word() + " SET " + t.Word() + " = 'it''s " + t.Word() + "' WHERE " +
                       t.Word() + " = " + std::to_string(r.Below(1000)) + "; -- " + t.Word());
            t.Line("END;");
            t.Line("/");
        } else {
            t.Line("INSERT INTO " + t.Word() + " (" + t.Word() + ", " + t.Word() + ") VALUES (" +
                   std::to_string(r.Below(100000)) + ", '" + t.Sentence(1, 4) + "');");
        }
    }
}

void WriteBasic(Text& t, std::size_t target) {
    Rng& r = t.R();
    t.Line("Attribute VB_Name = \"" + t.Word() + "\"");
    t.Line("Option Explicit");
    while (t.Size() < target) {
        int k = static_cast<int>(r.Below(100));
        if (k < 8) {
            t.Line();
        } else if (k < 14) {
            t.Line("Rem " + t.CommentText());
        } else if (k < 22) {
            t.Line("' " + t.CommentText());
        } else if (k < 25) {
            t.Line("' " + t.Sentence(2, 6) + " _");
            t.Line("  " + t.Sentence(2, 6));
        } else if (k < 40) {
            t.Line("Private Sub " + t.Ident() + "()");
            for (int i = r.Range(1, 10); i > 0; --i)
                t.Line("    " + t.Ident() + " = \"" + t.Sentence(1, 3) + "\" & " + t.Ident() + " ' " +
                       t.Word());
            t.Line("End Sub");
        } else {
            t.Line("    Dim " + t.Ident() + " As " + (r.Chance(50) ? "Integer" : "String"));
        }
    }
}

// A large generated table: many short lines of numbers.
void WriteDataTable(Text& t, std::size_t target) {
    Rng& r = t.R();
    t.Line("/* generated table: do not edit */");
    t.Line("static const unsigned char " + t.Ident() + "[] = {");
    while (t.Size() < target) {
        std::string line = "    ";
        for (int i = 0; i < 12; ++i) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "0x%02x, ", static_cast<unsigned>(r.Below(256)));
            line += buf;
        }
        t.Line(line);
    }
    t.Line("};");
}

struct KindShare {
    std::string_view Ext;
    int Percent;  // share of the files
};
// Extensions that the default lists know, plus a few that they do not (counted as
// "not a target") as a real tree would hold.
const std::array<KindShare, 14> kShares = {{{".c", 24},
                                            {".h", 16},
                                            {".cpp", 10},
                                            {".java", 18},
                                            {".asm", 5},
                                            {".inc", 2},
                                            {".sql", 8},
                                            {".bas", 8},
                                            {".txt", 3},
                                            {".hpp", 2},
                                            {".C", 1},
                                            {".mk", 1},
                                            {".o", 1},
                                            {".H", 1}}};

void WriteBody(Text& t, std::string_view ext, std::size_t target) {
    if (ext == ".c" || ext == ".cpp" || ext == ".C")
        WriteCSource(t, target, false);
    else if (ext == ".h" || ext == ".hpp" || ext == ".H")
        WriteCSource(t, target, true);
    else if (ext == ".java")
        WriteJava(t, target);
    else if (ext == ".asm" || ext == ".inc")
        WriteAsm(t, target);
    else if (ext == ".sql")
        WriteSql(t, target);
    else if (ext == ".bas")
        WriteBasic(t, target);
    else if (ext == ".o") {
        // An object file: binary, NUL bytes early.
        std::string& b = t.Buf();
        while (b.size() < target) b.push_back(static_cast<char>(t.R().Below(256)));
        b[1] = '\0';
    } else {
        while (t.Size() < target) t.Line(t.Sentence(3, 14));
    }
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Japanese comment texts in UTF-8, for the tree of a Japanese team's sources.
const std::array<std::string_view, 16> kJapanese = {"設定ファイルを読み込み、各項目の値を検証する",
                                                    "不正な値は既定値に戻す",
                                                    "初期化処理",
                                                    "エラー処理：例外は呼び出し元へ返す",
                                                    "合計を計算する",
                                                    "件数が上限を超えたら打ち切る",
                                                    "画面の表示を更新する",
                                                    "ログに書き出す",
                                                    "接続を閉じて資源を解放する",
                                                    "日付の形式は「年／月／日」とする",
                                                    "全角文字を含む名前に対応",
                                                    "キャッシュが古ければ作り直す",
                                                    "ここでは排他制御が必要",
                                                    "ﾊﾝｶｸｶﾅも混ざる",
                                                    "戻り値：成功なら真、失敗なら偽",
                                                    "将来の拡張のために残しておく"};

// A Java or C source whose comments (and some strings) are Japanese in UTF-8.
void WriteJapaneseSource(Text& t, std::size_t target, bool java) {
    auto jp = [&t] {
        std::string s(t.R().Pick(kJapanese));
        if (t.R().Chance(50)) s += "。" + std::string(t.R().Pick(kJapanese));
        return s;
    };
    t.Line(java ? "package jp.example." + t.Word() + ";" : "#include <stdio.h>");
    t.Line();
    while (t.Size() < target) {
        t.Line("/**");
        for (int i = t.R().Range(1, 4); i > 0; --i) t.Line(" * " + jp());
        t.Line(" */");
        t.Line((java ? "public int " : "int ") + t.Ident() + "(int " + t.Word() + ") {");
        for (int i = t.R().Range(3, 12); i > 0; --i) {
            const int pick = static_cast<int>(t.R().Below(10));
            if (pick < 4)
                t.Indented(1, "// " + jp(), false);
            else if (pick < 5)
                t.Indented(1, std::string(java ? "log(\"" : "puts(\"") + jp() + "\");", false);
            else if (pick < 8)
                t.Indented(
                    1,
                    t.Ident() + " = " + t.Word() + " + " + std::to_string(t.R().Below(100)) + "; // " + jp(),
                    false);
            else
                t.Indented(1, "if (" + t.Word() + " > 0) " + t.Ident() + "++;", false);
        }
        t.Indented(1, "return 0;", false);
        t.Line("}");
        t.Line();
    }
}

}  // namespace

CorpusStats MakeJapaneseUtf8Corpus(const std::string& root, std::size_t files, std::uint64_t seed) {
    Rng rng(seed);
    CorpusStats stats;
    for (; stats.Files < files; ++stats.Files) {
        const fs::path folder = fs::path(root) / ("module" + std::to_string(stats.Files / 100));
        if (stats.Files % 100 == 0) {
            fs::create_directories(folder);
            ++stats.Folders;
        }
        Text t(rng, false);
        const bool java = rng.Chance(60);
        const double size = std::min(std::max(6000.0 * std::exp(0.8 * rng.Normal()), 300.0), 200000.0);
        WriteJapaneseSource(t, static_cast<std::size_t>(size), java);
        WriteFile(folder / (t.Word() + std::to_string(stats.Files) + (java ? ".java" : ".c")), t.Buf());
        stats.Bytes += t.Size();
    }
    return stats;
}

CorpusStats MakeCorpus(const std::string& root, const CorpusShape& shape) {
    Rng rng(shape.Seed);
    CorpusStats stats;
    fs::create_directories(root);
    std::vector<fs::path> folders;
    // Projects, modules and nested folders, about 15 files per folder.
    std::size_t folderCount = shape.Files / 15 + 1;
    for (std::size_t i = 0; folders.size() < folderCount; ++i) {
        fs::path p = fs::path(root) / ("proj" + std::to_string(i % 40));
        int depth = rng.Range(1, 4);
        for (int d = 0; d < depth; ++d) {
            std::string name(rng.Pick(kWords));
            if (rng.Chance(20))
                name += "_" + std::string(rng.Pick(kWords)) + "_" + std::string(rng.Pick(kWords));
            p /= name + std::to_string(rng.Below(8));
        }
        fs::create_directories(p);
        folders.push_back(p);
        ++stats.Folders;
    }

    auto emit = [&](const fs::path& folder, std::string_view ext, std::size_t target, bool table) {
        Text t(rng, rng.Chance(30));
        if (table)
            WriteDataTable(t, target);
        else
            WriteBody(t, ext, target);
        std::string name = t.Word();
        if (rng.Chance(30)) name += "_" + t.Word();
        if (rng.Chance(10)) name += "_" + t.Word() + "_" + t.Word();
        name += std::to_string(stats.Files) + std::string(ext);
        WriteFile(folder / name, t.Buf());
        ++stats.Files;
        stats.Bytes += t.Size();
    };

    // A few large files: generated tables and long sources.
    const std::size_t large = shape.LargeFiles;
    for (std::size_t i = 0; i < large; ++i) {
        static const std::array<std::string_view, 4> exts = {".c", ".sql", ".asm", ".java"};
        std::size_t size = shape.LargeMinBytes + rng.Below(shape.LargeMaxBytes - shape.LargeMinBytes + 1);
        emit(folders[rng.Below(folders.size())], exts[i % exts.size()], size, i % exts.size() == 0);
    }
    // The rest: log-normal sizes around a median, capped.
    while (stats.Files < shape.Files) {
        int pick = static_cast<int>(rng.Below(100)), acc = 0;
        std::string_view ext = kShares[0].Ext;
        for (const auto& s : kShares)
            if (pick < (acc += s.Percent)) {
                ext = s.Ext;
                break;
            }
        double size = shape.MedianBytes * std::exp(shape.Sigma * rng.Normal());
        size = std::min(std::max(size, 64.0), 600000.0);
        emit(folders[rng.Below(folders.size())], ext, static_cast<std::size_t>(size), false);
    }
    return stats;
}

std::string SourceText(std::string_view ext, std::size_t bytes, std::uint64_t seed) {
    Rng rng(seed);
    Text t(rng, false);
    WriteBody(t, ext, bytes);
    return std::move(t.Buf());
}

}  // namespace zarnik::bench
