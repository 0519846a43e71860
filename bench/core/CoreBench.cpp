// The name rules on the longest texts a box can hold (goal: under 5 ms each), and the figure codes.

#include "core/FigureCoding.h"
#include "core/NameRules.h"
#include "core/Unicode.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace quorvel;

constexpr std::size_t Longest = 32767;

void validateLongest(benchmark::State& state, char32_t fill)
{
    const std::u32string text(Longest, fill);
    for (auto _ : state) {
        auto steps = validateName(text);
        benchmark::DoNotOptimize(steps.data());
        if (steps.size() != Longest) {
            state.SkipWithError("wrong number of steps");
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Longest));
}

void BM_validateName_allInvalid(benchmark::State& state)
{
    validateLongest(state, U'$');
}
BENCHMARK(BM_validateName_allInvalid)->Unit(benchmark::kMillisecond);

void BM_validateName_allHyphens(benchmark::State& state)
{
    validateLongest(state, U'-');
}
BENCHMARK(BM_validateName_allHyphens)->Unit(benchmark::kMillisecond);

void BM_validateName_validThenTooLong(benchmark::State& state)
{
    const std::u32string text(Longest, U'a');
    for (auto _ : state) {
        auto steps = validateName(text);
        benchmark::DoNotOptimize(steps.data());
    }
}
BENCHMARK(BM_validateName_validThenTooLong)->Unit(benchmark::kMillisecond);

// The final text without the steps, as a window needs it after a long paste.
void BM_correctedName_allInvalid(benchmark::State& state)
{
    const std::u32string text(Longest, U'$');
    for (auto _ : state) {
        auto name = correctedName(text);
        benchmark::DoNotOptimize(name.data());
    }
}
BENCHMARK(BM_correctedName_allInvalid)->Unit(benchmark::kMillisecond);

void BM_decodeAndValidate_typicalName(benchmark::State& state)
{
    const std::string typed = "Mi-Tienda de zapatos.es";
    for (auto _ : state) {
        auto steps = validateName(decodeUtf8(typed));
        benchmark::DoNotOptimize(steps.data());
    }
}
BENCHMARK(BM_decodeAndValidate_typicalName);

void BM_figureCode_fortyCharacters(benchmark::State& state)
{
    const std::string name = "abcdefghijklmnopqrstuvwxyz0123456789-abc";
    for (auto _ : state) {
        for (FigureKind kind : AllFigureKinds) {
            auto code = figureCode(kind, name);
            benchmark::DoNotOptimize(code.data());
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 4));
}
BENCHMARK(BM_figureCode_fortyCharacters);

void BM_allAddresses_typicalName(benchmark::State& state)
{
    const std::string name = "mi-tienda-de-zapatos";
    for (auto _ : state) {
        auto plain = plainAddress(name);
        benchmark::DoNotOptimize(plain.data());
        for (FigureKind kind : AllFigureKinds) {
            auto figure = figureAddress(kind, name);
            auto reg = registerAddress(kind, name);
            benchmark::DoNotOptimize(figure.data());
            benchmark::DoNotOptimize(reg.data());
        }
    }
}
BENCHMARK(BM_allAddresses_typicalName);

} // namespace

BENCHMARK_MAIN();
