#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs them.
#   scripts/fuzz.sh                     the CI stage, the same on every run: each target runs every
#                                       input kept in fuzz/corpus_*/, then a fixed number of new
#                                       inputs from each of a few fixed seeds.
#   scripts/fuzz.sh RUNS_EVAL RUNS_SETTINGS
#                                       exploring: that many new inputs from a random seed, printed
#                                       as "INFO: Seed: N" (-seed=N replays it). Not for CI.
# A failing input is written to build-fuzz/ (crash-*, oom-*, leak-*); keep the smallest of a kind in
# the target's corpus folder once it is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh --with-fuzz
CC=clang CXX=clang++ cmake -S fuzz -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz -j"$(nproc)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A fixed seed replays only if nothing else moves. libFuzzer rereads its corpus folder every second
# unless -reload=0, so the inputs run by then would count. Address layout does too: stack depth is
# a coverage feature, and compared pointers feed the mutations. Where address randomisation cannot be
# turned off (a container's seccomp may refuse), the kept corpora still run exactly.
common=(-reload=0 -artifact_prefix=build-fuzz/)
fixed=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
  fixed=(setarch "$(uname -m)" -R)
else
  echo "fuzz.sh: cannot turn off address randomisation here: the new inputs may differ between runs" >&2
fi
eval_args=(-max_len=4096)
settings_args=(-max_len=8192)

# New inputs go to a fresh copy of the corpus: the seeds in the repository stay small.
fuzz() { # target corpus runs seed args...
  local target=$1 corpus=$2 runs=$3 seed=$4
  shift 4
  rm -rf "$work/corpus"
  cp -r "$corpus" "$work/corpus"
  "${fixed[@]}" "./build-fuzz/$target" "${common[@]}" "$@" -runs="$runs" ${seed:+-seed="$seed"} "$work/corpus"
}

if [ $# -gt 0 ]; then
  runs_eval=${1:-200000}
  runs_settings=${2:-3000}
  fuzz fuzz_evaluator fuzz/corpus_evaluator "$runs_eval" "" "${eval_args[@]}"
  fuzz fuzz_settings fuzz/corpus_settings "$runs_settings" "" "${settings_args[@]}"
  echo "fuzzing (random seed): evaluator $runs_eval runs, settings $runs_settings runs, no findings"
  exit 0
fi

"${fixed[@]}" ./build-fuzz/fuzz_evaluator "${common[@]}" fuzz/corpus_evaluator/*
"${fixed[@]}" ./build-fuzz/fuzz_settings "${common[@]}" fuzz/corpus_settings/*
seeds=(1 2 3)
for seed in "${seeds[@]}"; do
  fuzz fuzz_evaluator fuzz/corpus_evaluator 200000 "$seed" "${eval_args[@]}"
  fuzz fuzz_settings fuzz/corpus_settings 3000 "$seed" "${settings_args[@]}"
done
echo "fuzzing: the kept corpora, then seeds ${seeds[*]} with 200000 evaluator and 3000 settings runs each, no findings"
