#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a fixed number of executions.
# Usage: scripts/fuzz.sh [RUNS_EVALUATOR] [RUNS_SETTINGS]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh --with-fuzz
runs_eval=${1:-200000}
runs_settings=${2:-3000}
CC=clang CXX=clang++ cmake -S fuzz -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz -j"$(nproc)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Fresh corpora in a scratch folder: the seeds in the repository stay small.
cp -r fuzz/corpus_evaluator "$work/eval"
cp -r fuzz/corpus_settings "$work/settings"
./build-fuzz/fuzz_evaluator -runs="$runs_eval" -max_len=4096 "$work/eval"
./build-fuzz/fuzz_settings -runs="$runs_settings" -max_len=8192 "$work/settings"
echo "fuzzing: evaluator $runs_eval runs, settings $runs_settings runs, no findings"
