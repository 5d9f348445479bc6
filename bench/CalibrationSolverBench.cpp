// The 16-point solver: the straightforward R search (all 16 tangents per shift, angle
// offset and R) beside the fast one, on the same inputs, and the speed-up between them.
// Both produce the same record byte for byte (tests/calibration/SolverTest.cpp).
//
//   build/bench/vireto_bench --benchmark_filter=Solve16
#include "calibration/Solver16.h"
#include "tests/calibration/ReferenceSolver.h"
#include "tests/calibration/SceneInputs.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

const SolveInputs& inputs()
{
    static const SolveInputs in = caltest::inputsFromScene(sim::TouchScene::standard(1920, 1080));
    return in;
}

template <typename Solve>
double timeMs(benchmark::State& state, Solve solve)
{
    double total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const Solve16Result r = solve();
        const auto t1 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(r.record);
        if (r.status != SolveStatus::Done)
            state.SkipWithError("the solver failed");
        total += std::chrono::duration<double, std::milli>(t1 - t0).count();
    }
    return total / static_cast<double>(state.iterations());
}

double referenceMs = 0;

void Solve16Reference(benchmark::State& state)
{
    referenceMs = timeMs(state, [] { return referenceSolve16(inputs()); });
    state.counters["ms"] = referenceMs;
}

void Solve16Fast(benchmark::State& state)
{
    SolveControl control;
    control.threads = static_cast<int>(state.range(0));
    const double ms = timeMs(state, [&] { return Solve16(inputs(), control); });
    state.counters["ms"] = ms;
    if (referenceMs > 0)
        state.counters["speedup"] = referenceMs / ms;
}

} // namespace

BENCHMARK(Solve16Reference)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(Solve16Fast)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
