#!/usr/bin/env bash
# Launch to splash shown: the game against a bare Qt window of the splash's size, on one private X
# server with a window manager, alternating runs. Prints each program's median, range and their ratio.
# Usage: scripts/launch_bench.sh [RUNS] [DISPLAY_NUMBER]    (defaults: 15 runs, a free display from 100)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
for c in Xvfb openbox xprop; do
  command -v "$c" >/dev/null || { echo "needs Xvfb, openbox and xprop: scripts/setup.sh --with-shots"; exit 2; }
done
cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-rel -j"$(nproc)" --target quorbit bare_window launch_timer >/dev/null

n=${2:-}
if [ -z "$n" ]; then
  n=100
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
fi
Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & xpid=$!
tmp=$(mktemp -d)
mkdir -m 700 "$tmp/run" "$tmp/config"
cleanup() { kill "${wpid:-}" "$xpid" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$tmp"; }
trap cleanup EXIT
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.05; done
export DISPLAY=:$n XDG_RUNTIME_DIR=$tmp/run XDG_CONFIG_HOME=$tmp/config
openbox >/dev/null 2>&1 & wpid=$!
# A window mapped while the window manager is still starting can be lost: wait until it runs.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done

time_one() { build-rel/launch_timer "$1" 2>/dev/null || echo fail; }
# One unrecorded start of each warms the disk cache.
time_one build-rel/quorbit >/dev/null
time_one build-rel/bare_window >/dev/null
game=() bare=()
for i in $(seq "$runs"); do
  if [ $((i % 2)) -eq 1 ]; then
    game+=("$(time_one build-rel/quorbit)"); bare+=("$(time_one build-rel/bare_window)")
  else
    bare+=("$(time_one build-rel/bare_window)"); game+=("$(time_one build-rel/quorbit)")
  fi
done
stats() { printf '%s\n' "$@" | sort -n | awk '{v[NR]=$1} END {m=(NR%2)?v[(NR+1)/2]:(v[NR/2]+v[NR/2+1])/2; printf "%.0f %.0f %.0f", m, v[1], v[NR]}'; }
read -r gm glo ghi <<<"$(stats "${game[@]}")"
read -r bm blo bhi <<<"$(stats "${bare[@]}")"
echo "runs: $runs each, alternating, on :$n with openbox"
echo "game  (launch to splash mapped): median $gm ms ($glo-$ghi)   all: ${game[*]}"
echo "bare Qt window of the same size: median $bm ms ($blo-$bhi)   all: ${bare[*]}"
awk -v g="$gm" -v b="$bm" 'BEGIN {printf "ratio game / bare: %.2f\n", g / b}'
