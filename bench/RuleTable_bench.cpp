// Judging one URL against full word tables: the work every judged request does.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "filter/core/portable/RuleTable.h"

namespace {

constexpr std::size_t kEntries = 1024;
constexpr std::size_t kEntrySize = 1025;

std::vector<std::string> Words(char first) {
    std::vector<std::string> words;
    for (std::size_t i = 0; i < kEntries; ++i) {
        words.push_back(std::string(1, first) + "word" + std::to_string(i * 7919 % 100000));
    }
    return words;
}

void BM_JudgeUrlAgainst1024And1024Words(benchmark::State& state) {
    std::vector<char> allowedStorage(kEntries * kEntrySize);
    std::vector<char> blockedStorage(kEntries * kEntrySize);
    const CRuleTable allowed(allowedStorage.data(), kEntries, kEntrySize);
    const CRuleTable blocked(blockedStorage.data(), kEntries, kEntrySize);
    for (auto [table, first] : {std::pair{&allowed, 'a'}, std::pair{&blocked, 'b'}}) {
        const auto words = Words(first);
        std::vector<const char*> texts;
        for (const auto& word : words) {
            texts.push_back(word.c_str());
        }
        table->Fill(texts.data(), texts.size());
    }
    // 100 bytes that match no word: both tables are searched to the end.
    const std::string url =
        "www.example-news-site.example/articles/2026/12/08/some-long-title?ref=home&x=1234567";
    const std::string url100 = url + std::string(100 - url.size(), 'z');
    for (auto _ : state) {
        benchmark::DoNotOptimize(allowed.FindWordIn(url100));
        benchmark::DoNotOptimize(blocked.FindWordIn(url100));
    }
}

}  // namespace

BENCHMARK(BM_JudgeUrlAgainst1024And1024Words);
