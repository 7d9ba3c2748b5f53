// Our MD5 beside OpenSSL's over the same buffers; main.cpp prints the throughput ratio.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <vector>

#include "Api/portable/MD5.h"

namespace {

std::vector<unsigned char> Buffer(size_t n) {
    std::vector<unsigned char> data(n);
    for (size_t i = 0; i < n; ++i) {
        data[i] = static_cast<unsigned char>(i * 131 + 7);
    }
    return data;
}

void BM_MD5_Ours(benchmark::State& state) {
    const auto data = Buffer(static_cast<size_t>(state.range(0)));
    unsigned char digest[CMD5::kDigestLength];
    CMD5 md5;
    for (auto _ : state) {
        md5.AddData(data.data(), static_cast<int>(data.size()));
        md5.FinalDigest(digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_MD5_OpenSSL(benchmark::State& state) {
    const auto data = Buffer(static_cast<size_t>(state.range(0)));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int nDigest = 0;
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    const EVP_MD* md5 = EVP_md5();
    for (auto _ : state) {
        EVP_DigestInit_ex(ctx, md5, nullptr);
        EVP_DigestUpdate(ctx, data.data(), data.size());
        EVP_DigestFinal_ex(ctx, digest, &nDigest);
        benchmark::DoNotOptimize(digest);
    }
    EVP_MD_CTX_free(ctx);
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_MD5_Ours)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_MD5_OpenSSL)->Arg(64 << 10)->Arg(1 << 20);
