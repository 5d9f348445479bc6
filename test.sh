#!/usr/bin/env bash
# Builds everything and runs the whole test suite; ends with CTest's summary.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/tools/setup.sh"
cd "${VIRETO_BUILD_DIR:-$top/build}"
exec ctest --output-on-failure -j2 "$@"
