// Encoding and decoding of the longest value the settings store holds.
#include <benchmark/benchmark.h>

#include <string>

#include "Api/portable/Crypto.h"

namespace {

std::string LongestText() {
    std::string text(CCrypto::kMaxClearLength, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char>('a' + i % 26);
    }
    return text;
}

void BM_Encode337(benchmark::State& state) {
    const std::string text = LongestText();
    CCrypto crypto;
    for (auto _ : state) {
        crypto.Encode(text, 1765000000);
        benchmark::DoNotOptimize(crypto.OutputText());
    }
}

void BM_Decode337(benchmark::State& state) {
    CCrypto crypto;
    crypto.Encode(LongestText(), 1765000000);
    const std::string encoded(crypto.Output());
    for (auto _ : state) {
        crypto.Decode(encoded);
        benchmark::DoNotOptimize(crypto.OutputText());
    }
}

}  // namespace

BENCHMARK(BM_Encode337);
BENCHMARK(BM_Decode337);
