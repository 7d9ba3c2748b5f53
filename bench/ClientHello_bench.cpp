// Reading the server name from Chromium's hello (about 2 KB with its post-quantum key share):
// the work the first send of every HTTPS connection does. Whole in one send, and cut into two
// records, which takes the collecting path.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "filter/core/portable/ClientHello.h"

namespace {

std::string ChromiumHello() {
    std::ifstream file(PC_TLS_DATA_DIR "/chromium.bin", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The same message in two records, the first ending halfway through it.
std::string InTwoRecords(const std::string& stream) {
    const std::string message = stream.substr(5);
    std::string records;
    for (const std::string& piece :
         {message.substr(0, message.size() / 2), message.substr(message.size() / 2)}) {
        records += std::string{22, 3, 1};
        records += static_cast<char>(piece.size() >> 8);
        records += static_cast<char>(piece.size() & 0xff);
        records += piece;
    }
    return records;
}

void Parse(benchmark::State& state, const std::string& stream) {
    if (stream.size() < 5) {
        state.SkipWithError("tests/data/tls/chromium.bin is missing");
        return;
    }
    for (auto _ : state) {
        CClientHello hello;
        hello.Feed(stream);
        if (hello.Status() != ClientHelloStatus::kServerName) {
            state.SkipWithError("no server name read");
            return;
        }
        benchmark::DoNotOptimize(hello.ServerName().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}

void BM_ClientHello_Chromium(benchmark::State& state) {
    Parse(state, ChromiumHello());
}

void BM_ClientHello_ChromiumInTwoRecords(benchmark::State& state) {
    Parse(state, InTwoRecords(ChromiumHello()));
}

}  // namespace

BENCHMARK(BM_ClientHello_Chromium);
BENCHMARK(BM_ClientHello_ChromiumInTwoRecords);
