#!/usr/bin/env bash
# Starts the tool under a virtual display, waits, and saves a screenshot.
#   tools/screenshot.sh OUT.png [SECONDS] [WIDTHxHEIGHT] -- [tool arguments]
# Installs xvfb and imagemagick when missing; the build must exist (./run.sh builds it).
set -euo pipefail
out=${1:?usage: tools/screenshot.sh OUT.png [SECONDS] [WxH] -- [ARGS]}
shift
wait_s=${1:-3}
[ $# -gt 0 ] && shift
size=${1:-1920x1080}
[ $# -gt 0 ] && shift
[ "${1:-}" = "--" ] && shift
top=$(cd "$(dirname "$0")/.." && pwd)
for tool in xvfb-run:xvfb import:imagemagick; do
    if ! command -v "${tool%%:*}" >/dev/null; then
        sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo)
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${tool#*:}" </dev/null
    fi
done
bin=${VIRETO_BUILD_DIR:-$top/build}/bin/vireto
out_abs=$(realpath -m "$out")

xvfb-run -a -s "-screen 0 ${size}x24" bash -c '
    "$0" "${@:3}" & pid=$!
    sleep "$1"
    import -window root "$2"
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
' "$bin" "$wait_s" "$out_abs" --device=sim "$@"
echo "saved $out_abs"
