#!/usr/bin/env bash
# Builds the tool and its tests with a sanitizer in a folder of their own and runs the
# whole suite there: "address" (the default) checks memory errors and undefined
# behaviour (build-asan), "thread" checks data races (build-tsan). Extra arguments go
# to CTest (for example -R cli_).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
kind=${1:-address}
case "$kind" in
address) build_dir=$top/build-asan ;;
thread) build_dir=$top/build-tsan ;;
*)
    echo "usage: tools/sanitize.sh [address|thread] [CTEST ARGS]" >&2
    exit 2
    ;;
esac
shift $(($# > 0 ? 1 : 0))

# A folder built before keeps its settings unless the sanitizer is named again here.
if [ -f "$build_dir/build.ninja" ]; then
    cmake -S "$top" -B "$build_dir" -DVIRETO_SANITIZE="$kind" >/dev/null
fi
VIRETO_BUILD_DIR=$build_dir \
    VIRETO_CMAKE_ARGS="-DVIRETO_SANITIZE=$kind -DVIRETO_BUILD_BENCHMARKS=OFF" \
    "$top/tools/setup.sh"

# Every finding fails the test (and the vireto-cli runs it starts) that caused it.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$top/tools/tsan.supp}
# GLib (under Qt's event loop) hands its slice allocator's blocks between threads under
# locks the thread checker cannot see; with plain malloc there is nothing to hand over.
export G_SLICE=always-malloc
cd "$build_dir"
exec ctest --output-on-failure -j2 "$@"
