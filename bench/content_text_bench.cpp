// Normalising a content file's bytes: the common well-formed case and a worst case of repairs.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "symbol/content_text.h"

namespace qrl {
namespace {

// 2953 bytes: the most a symbol holds in 8-bit mode.
constexpr std::size_t kLargestTextBytes = 2953;

std::string lowerCaseText(std::size_t bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes; ++i) text.push_back(static_cast<char>('a' + i % 26));
    return text;
}

// Every other byte a lone Latin-1 letter: each becomes a three-byte replacement.
std::string latin1Text(std::size_t bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes; ++i) text.push_back(i % 2 ? '\xE9' : 'a');
    return text;
}

// Three-byte characters (the euro sign), well-formed: no run of ASCII to copy whole.
std::string euroText(std::size_t bytes) {
    std::string text;
    while (text.size() + 3 <= bytes) text += "\xE2\x82\xAC";
    return text;
}

void runNormalise(benchmark::State& state, const std::string& bytes) {
    for (auto _ : state) benchmark::DoNotOptimize(normaliseContent(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_NormaliseAscii(benchmark::State& state) { runNormalise(state, lowerCaseText(kLargestTextBytes)); }
void BM_NormaliseEuro(benchmark::State& state) { runNormalise(state, euroText(kLargestTextBytes)); }
void BM_NormaliseLatin1(benchmark::State& state) { runNormalise(state, latin1Text(kLargestTextBytes)); }

void BM_WellFormedCheckAscii(benchmark::State& state) {
    const std::string bytes = lowerCaseText(kLargestTextBytes);
    for (auto _ : state) benchmark::DoNotOptimize(isWellFormedUtf8(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

BENCHMARK(BM_NormaliseAscii);
BENCHMARK(BM_NormaliseEuro);
BENCHMARK(BM_NormaliseLatin1);
BENCHMARK(BM_WellFormedCheckAscii);

}  // namespace
}  // namespace qrl
