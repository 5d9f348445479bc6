// Round trips of the command protocol against the in-process virtual frame with no
// device latency, beside their protocol floor (the sum of the prescribed waits), and
// the accuracy and CPU cost of the delay primitive.
//
//   build/bench/vireto_bench --benchmark_filter=Link
#include "device/Delay.h"
#include "device/Device.h"
#include "sim/SimTransport.h"
#include "sim/VirtualFrame.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

// Per command: 2 ms before the request, 2 ms before each reply poll.
constexpr double kRegisterReadFloorMs = 2 + 2;
constexpr double kImageLineFloorMs = 2 + 11 * 2;     // 640 bytes = 11 reply reports
constexpr double kSensorBlockFloorMs = 26 * (2 + 2); // 1546 bytes = 26 flash reads of <= 60

struct Bench {
    Bench()
    {
        delay::setTimeScale(1.0);
        frame = std::make_shared<sim::VirtualFrame>();
        device = std::make_unique<Device>(std::make_unique<sim::SimTransport>(frame));
        uint16_t pid = 0;
        device->transport().open(pid);
    }
    std::shared_ptr<sim::VirtualFrame> frame;
    std::unique_ptr<Device> device;
};

double threadCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

void report(benchmark::State& state, double floorMs, double wallMs, double cpuMs)
{
    const double perOp = wallMs / static_cast<double>(state.iterations());
    state.counters["floor_ms"] = floorMs;
    state.counters["mean_ms"] = perOp;
    state.counters["over_floor_pct"] = (perOp - floorMs) / floorMs * 100.0;
    state.counters["cpu_pct_of_core"] = cpuMs / wallMs * 100.0;
}

template <typename Op>
void runAgainstFloor(benchmark::State& state, double floorMs, Op op)
{
    Bench b;
    const double cpu0 = threadCpuMs();
    const double t0 = delay::nowMs();
    for (auto _ : state) {
        if (!op(*b.device))
            state.SkipWithError("command failed");
    }
    report(state, floorMs, delay::nowMs() - t0, threadCpuMs() - cpu0);
}

void LinkRegisterRead(benchmark::State& state)
{
    runAgainstFloor(state, kRegisterReadFloorMs, [](Device& d) {
        uint8_t v = 0;
        return d.commands.FPGASingleRead(Side::Master, 0x35, v) == 1;
    });
}

void LinkImageLineRead(benchmark::State& state)
{
    runAgainstFloor(state, kImageLineFloorMs, [](Device& d) {
        uint8_t line[640];
        return d.commands.GetPreviewData(Side::Master, 0x80, 0, 640, line) == 1;
    });
}

void LinkSensorBlockRead(benchmark::State& state)
{
    runAgainstFloor(state, kSensorBlockFloorMs, [](Device& d) {
        SensorBlock block{};
        return d.blocks.ReadCalibInfo(block) == 1;
    });
}

// How long a requested wait really takes, and what it costs the CPU.
void DelayAccuracy(benchmark::State& state)
{
    const double requested = static_cast<double>(state.range(0)) / 1000.0;
    double worst = 0;
    const double cpu0 = threadCpuMs();
    const double t0 = delay::nowMs();
    for (auto _ : state) {
        const double s = delay::nowMs();
        delay::waitUnscaled(requested);
        worst = std::max(worst, delay::nowMs() - s - requested);
    }
    const double wall = delay::nowMs() - t0;
    state.counters["requested_ms"] = requested;
    state.counters["mean_over_us"] =
        (wall / static_cast<double>(state.iterations()) - requested) * 1e3;
    state.counters["worst_over_us"] = worst * 1e3;
    state.counters["cpu_pct_of_core"] = (threadCpuMs() - cpu0) / wall * 100.0;
}

} // namespace

BENCHMARK(LinkRegisterRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(LinkImageLineRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(LinkSensorBlockRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(DelayAccuracy)
    ->Arg(2000)
    ->Arg(5000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);

BENCHMARK_MAIN();
