#!/usr/bin/env bash
# Builds the libFuzzer harnesses (preset `fuzz`), writes their seed corpora and
# runs every harness, one after the other, each for the given time.
#
#   scripts/fuzz.sh [seconds per harness, default 600] [harness names...]
#   scripts/fuzz.sh --smoke     # the seeds plus 2000 fixed-seed runs (at most 12 s) of each (test.sh runs this)
#
# Harnesses: jpeg_decode jpeg_compress jpeg_transform exif form_binary form_text picture_data bmp
# ico emf. The growing corpus of each stays in build/fuzz/corpus/<name>;
# inputs that crash, leak, time out or run out of memory are written to
# build/fuzz/artifacts/ and make the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."

# Every input gets this much time and memory; a reader that needs more has
# to refuse the input with an exception instead.
RSS_LIMIT_MB=${RSS_LIMIT_MB:-2560}
INPUT_TIMEOUT_S=${INPUT_TIMEOUT_S:-20}

all=(jpeg_decode jpeg_compress jpeg_transform exif form_binary form_text picture_data bmp ico emf)
smoke=0
seconds=600
if [ "${1:-}" = "--smoke" ]; then
  smoke=1
  seconds=12
  shift
elif [ $# -gt 0 ]; then
  seconds=$1
  shift
fi
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=("${all[@]}")

scripts/setup.sh
# Warnings are enforced by the g++ builds; clang's own set stays advisory here.
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

out=build/fuzz
rm -rf "$out/seeds"
"$out/fuzz/fuzz_seeds" "$out/seeds"
mkdir -p "$out/artifacts"

# Leaks are checked at exit of every input by libFuzzer itself.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# What the font libraries keep until exit is not a leak (as in the test
# suites): fontconfig loses a few hundred bytes of its configuration once.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}

status=0
for h in "${harnesses[@]}"; do
  corpus="$out/corpus/$h"
  mkdir -p "$corpus"
  args=(-rss_limit_mb="$RSS_LIMIT_MB" -timeout="$INPUT_TIMEOUT_S" -max_total_time="$seconds"
        -print_final_stats=1 -artifact_prefix="$out/artifacts/$h-")
  if [ $smoke -eq 1 ]; then
    # The smoke run leaves the kept corpus alone: new inputs go to a scratch folder.
    # A fixed seed and run count keep it repeatable, so CI does not fail at
    # random on a finding that a later run happens to reach.
    corpus=$(mktemp -d)
    args+=(-max_len=4096 -seed=1 -runs=2000)
  fi
  echo "== fuzz: $h (${seconds}s)"
  log="$out/fuzz-$h.log"
  if "$out/fuzz/fuzz_$h" "${args[@]}" "$corpus" "$out/seeds/$h" >"$log" 2>&1; then
    grep -E "^#[0-9]+" "$log" | tail -1 || true
  else
    status=1
    echo "fuzz: $h FAILED, see $log"
    grep -E "ERROR|SUMMARY|Test unit written" "$log" | head -5 || true
  fi
  if [ $smoke -eq 1 ]; then rm -rf "$corpus"; fi
done
exit $status
