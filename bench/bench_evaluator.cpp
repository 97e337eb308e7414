#include "platform/ScriptEngine.h"

#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <string_view>

namespace {

// The kind of pieces the equation pass asks for: the growing slices of both sides of an "=",
// so many short numbers and signs, some sums, products and quotients, and a fair share of failures.
constexpr std::array<std::string_view, 32> kMix = {
    "7", "12", "007", "+3", "-3", "--4", "2+3", "12-5", "3*4", "6/3",
    "10/2", "1/3", "2/3", "7/10*3", "21/10", "3/2", "2+3*4", "8/4/2", "2-3-4", "12/-4",
    "5+-+1", "99*99", "123456789012", "45+67*8", "1+2+3+4+5+6", "9/7",
    "5*", "/4", "-", "1/0", "5*/2", "+",
};

void BM_EvaluatorMix(benchmark::State& state)
{
    std::string text;
    std::size_t i = 0;
    for (auto _ : state) {
        bool ok = ScriptEngine::Eval(kMix[i], text);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(text.data());
        i = (i + 1) % kMix.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluatorMix)->Repetitions(9)->ReportAggregatesOnly(true);

// The same loop over a single kind of piece, to see where the time goes.
void RunOne(benchmark::State& state, std::string_view piece)
{
    std::string text;
    for (auto _ : state) {
        bool ok = ScriptEngine::Eval(piece, text);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK_CAPTURE(RunOne, WholeSum, std::string_view("45+67*8"));
BENCHMARK_CAPTURE(RunOne, Quotient, std::string_view("1/3"));
BENCHMARK_CAPTURE(RunOne, LongQuotient, std::string_view("123456/789*-4"));
BENCHMARK_CAPTURE(RunOne, Failure, std::string_view("5*/2"));

} // namespace
