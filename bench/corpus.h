// The benchmark corpus: a deterministic tree of source files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zarnik::bench {

struct CorpusShape {
    std::uint64_t Seed = 20240607;
    std::size_t Files = 22000;   // files in all, the large ones included
    std::size_t LargeFiles = 6;  // LargeMinBytes to LargeMaxBytes each
    std::size_t LargeMinBytes = 4 << 20;
    std::size_t LargeMaxBytes = 12 << 20;
    double MedianBytes = 7000;  // of the other files (log-normal)
    double Sigma = 1.1;
};

struct CorpusStats {
    std::size_t Files = 0;
    std::size_t Folders = 0;
    std::uint64_t Bytes = 0;
};

// Writes the corpus below root (which should be empty or missing).
CorpusStats MakeCorpus(const std::string& root, const CorpusShape& shape);

// Writes below root a tree of `files` Java and C sources in UTF-8 whose comments and
// some strings are Japanese (about 7 KB each, 100 to a folder).
CorpusStats MakeJapaneseUtf8Corpus(const std::string& root, std::size_t files, std::uint64_t seed);

// One source of at least `bytes` bytes (LF line breaks) as the corpus writes a file
// with the extension ext (".c", ".java", ".asm", ".sql", ".bas", ...).
std::string SourceText(std::string_view ext, std::size_t bytes, std::uint64_t seed);

}  // namespace zarnik::bench
