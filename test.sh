#!/usr/bin/env bash
# Builds everything and runs the whole test suite; ends with CTest's summary.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/tools/setup.sh"
cd "${VIRETO_BUILD_DIR:-$top/build}"
# Every test has its own timeout; --timeout is the backstop for any test registered
# without one, so a hang always ends as a failed test with its name.
exec ctest --output-on-failure -j2 --timeout 300 "$@"
