#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in ./build-fuzz and runs every one for SECONDS
# (default 60) from a corpus seeded with fuzz/seeds/<target>. Findings (crashes, hangs,
# leaks, sanitizer reports) land in build-fuzz/fuzz/findings/<target>; the last line of
# each run gives its executions.
#   fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build=${VIRETO_FUZZ_BUILD_DIR:-$top/build-fuzz}

if ! command -v clang++ >/dev/null; then
    echo "Installing clang" >&2
    sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq clang </dev/null
fi
"$top/tools/setup.sh" --packages-only
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ -DVIRETO_FUZZ=ON \
        -DVIRETO_BUILD_TESTS=OFF -DVIRETO_BUILD_BENCHMARKS=OFF
fi
cmake --build "$build" --target fuzz_all -- -j"$(nproc)"

targets=("$@")
if ((${#targets[@]} == 0)); then
    targets=(firmware_file records frame_link register_script operator_files
        device_replies device_info_ini frame_server)
fi
status=0
for t in "${targets[@]}"; do
    corpus="$build/fuzz/corpus/$t"
    findings="$build/fuzz/findings/$t"
    mkdir -p "$corpus" "$findings"
    seeds=()
    [ -d "$top/fuzz/seeds/$t" ] && seeds=("$top/fuzz/seeds/$t")
    # Qt's settings cache leaves allocations from one input to the next, so every input of
    # the "DeviceInfo.ini" target would get the per-input leak check (twenty times its
    # own cost). Its leaks are still reported when the run ends.
    leaks=()
    [ "$t" = device_info_ini ] && leaks=(-detect_leaks=0)
    echo "== $t ($seconds s)"
    if ! "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 "${leaks[@]}" \
        -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" "${seeds[@]}" \
        2>"$build/fuzz/$t.log"; then
        echo "$t: FINDING (see $findings and $build/fuzz/$t.log)"
        status=1
    fi
    grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$build/fuzz/$t.log" | tail -2
done
exit $status
