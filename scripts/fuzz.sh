#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer, every report fatal) into build-fuzz/ (override with
# CORNIX_FUZZ_BUILD_DIR) and runs each for the given time on its seed corpus.
# Usage: fuzz.sh [seconds per target, default 30] [target...]
#   CORNIX_FUZZ_RUNS=N stops a target after N executions if that comes first.
#
# Per target it prints the executions, the coverage (edges and features libFuzzer
# counts), the corpus size and the findings. Inputs that found new coverage go to
# <build-fuzz>/corpus/<target>/ (the committed seeds in fuzz/corpus/<target>/ are only
# read); a crash, leak or timeout input is written to <build-fuzz>/findings/<target>/
# and the script exits 1. See fuzz/README.md.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CORNIX_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-30}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_serial_reply fuzz_serial_scrambler fuzz_ini_settings fuzz_load_summary fuzz_frame_analysis)
fi

"$root/scripts/install-deps.sh" >&2
mkdir -p "$build"
log="$build/build.log"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
echo "fuzz.sh: building the fuzz targets in $build (output in $log)" >&2
if ! {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
    -DCORNIX_FUZZ=ON -DCORNIX_SANITIZE=ON -DCORNIX_BUILD_BENCH=OFF \
    -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link" -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" &&
    cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
} >"$log" 2>&1; then
  echo "fuzz.sh: the build in $build failed; its whole output is in $log. The end:" >&2
  tail -n 40 "$log" >&2
  exit 1
fi

# The inputs' files live in memory when the machine has a tmpfs for it.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1:handle_abort=1"
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# Figures from libFuzzer's output: the last status line and the final statistics.
report() {
  local target="$1" output="$2" status="$3" findings="$4"
  local runs rate cov ft corp
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$output" | tail -n 1)" || true
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$output" | tail -n 1)" || true
  cov="$(grep -o 'cov: [0-9]*' "$output" | tail -n 1 | cut -d' ' -f2)" || true
  ft="$(grep -o 'ft: [0-9]*' "$output" | tail -n 1 | cut -d' ' -f2)" || true
  corp="$(grep -o 'corp: [0-9]*/[0-9a-zA-Z]*' "$output" | tail -n 1 | cut -d' ' -f2)" || true
  printf '%-24s %12s executions (%6s/s)  cov %6s  ft %7s  corpus %-12s findings %s\n' \
    "$target" "${runs:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$findings"
  if [ "$status" -ne 0 ]; then
    grep -E '^(==[0-9]+==ERROR|SUMMARY|fuzz: property broken|.*runtime error)' "$output" | head -n 5 |
      sed 's/^/    /' || true
  fi
}

# Inputs longer than what a target reads in use only slow it down.
target_options() {
  case "$1" in
    fuzz_serial_reply | fuzz_serial_scrambler | fuzz_load_summary) echo "-max_len=256" ;;
    fuzz_ini_settings) echo "-max_len=2048" ;;
    # The seeds are 128 x 96 crops and one small 640 x 480 file.
    fuzz_frame_analysis) echo "-max_len=16384" ;;
    *) ;;
  esac
  if [ -n "${CORNIX_FUZZ_RUNS:-}" ]; then
    echo "-runs=$CORNIX_FUZZ_RUNS"
  fi
}

failed=0
printf 'fuzz.sh: %s s per target\n' "$seconds"
for target in "${targets[@]}"; do
  seeds="$root/fuzz/corpus/$target"
  work="$build/corpus/$target"
  found="$build/findings/$target"
  output="$build/$target.log"
  rm -rf "$found"
  mkdir -p "$work" "$found"
  status=0
  # shellcheck disable=SC2046
  "$build/fuzz/$target" $(target_options "$target") -max_total_time="$seconds" -print_final_stats=1 \
    -timeout=25 -rss_limit_mb=2048 \
    -artifact_prefix="$found/" "$work" "$seeds" >"$output" 2>&1 || status=$?
  findings="$(find "$found" -type f | wc -l)"
  if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ]; then
    failed=1
    findings="$findings (see $found, log $output)"
  fi
  report "$target" "$output" "$status" "$findings"
done
exit "$failed"
