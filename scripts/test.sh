#!/usr/bin/env bash
# Installs what is missing, builds, starts the test services and runs every test:
#   1. the whole suite in build/ (CORNIX_BUILD_DIR);
#   2. the whole suite again in a sanitizer build, build-sanitize/ (CORNIX_SANITIZE_BUILD_DIR):
#      AddressSanitizer with leak detection, UndefinedBehaviorSanitizer, every report fatal;
#   3. each fuzz target of fuzz/ for 30 s (scripts/fuzz.sh; CORNIX_FUZZ_SECONDS).
# Usage: test.sh [--quick] [ctest arguments]
#   --quick (or CORNIX_QUICK=1): step 1 only, for quick local runs.
#   ctest arguments (-R regex, -L label) apply to steps 1 and 2; step 3 runs only for
#   the whole suite (no ctest arguments).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CORNIX_BUILD_DIR:-$root/build}"
sanitize_build="${CORNIX_SANITIZE_BUILD_DIR:-$root/build-sanitize}"
quick="${CORNIX_QUICK:-0}"
if [ "${1:-}" = "--quick" ]; then
  quick=1
  shift
fi
# shellcheck source=firebird-env.sh
. "$root/scripts/firebird-env.sh"

started=()
stop_services() {
  local dir
  for dir in "${started[@]}"; do
    "$root/scripts/services.sh" stop "$dir" || true
  done
}
trap stop_services EXIT
export QT_QPA_PLATFORM=offscreen

# Builds in $1 (extra CMake arguments after it), starts its server, runs ctest.
run_suite() {
  local dir="$1"
  shift
  CORNIX_BUILD_DIR="$dir" "$root/scripts/build.sh" "$@"
  "$root/scripts/services.sh" start "$dir"
  started+=("$dir")
  # The engine inside the test programs keeps its locks in the build folder too.
  FIREBIRD_LOCK="$(fb_embedded_lock_dir "$dir")" || return 1
  mkdir -p "$FIREBIRD_LOCK"
  local status=0
  FIREBIRD_LOCK="$FIREBIRD_LOCK" ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" "${ctest_args[@]}" |
    tee "$dir/ctest.log" || status=$?
  count_ctest "$dir/ctest.log"
  if [ "$status" -ne 0 ] && grep -q 'LeakSanitizer has encountered a fatal error' "$dir/ctest.log"; then
    # The leak checker's own crash at a program's exit says nothing of the program: the
    # failed tests run once more, and only their second result counts.
    echo "test.sh: the leak checker itself crashed in a failed test; the failed tests run once more"
    status=0
    FIREBIRD_LOCK="$FIREBIRD_LOCK" ctest --test-dir "$dir" --output-on-failure --rerun-failed |
      tee "$dir/ctest-rerun.log" || status=$?
    recount_rerun "$dir/ctest-rerun.log"
  fi
  "$root/scripts/services.sh" stop "$dir"
  return "$status"
}

# Totals of every step, printed as the last line.
passed=0
failed=0
count_ctest() {
  local line total bad
  line="$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)" || return 0
  bad="$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")"
  total="$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")"
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}
# A rerun's tests were counted failed once already: those that pass now are not.
recount_rerun() {
  local before_passed=$passed before_failed=$failed
  count_ctest "$1"
  failed=$((failed - (passed - before_passed) - (failed - before_failed)))
}
summary() {
  echo "test.sh: $passed passed, $failed failed ($(took "$SECONDS") in all)"
}
# "12 min 5 s": how long a step took, for the log of a CI run.
took() {
  echo "$(($1 / 60)) min $(($1 % 60)) s"
}

ctest_args=("$@")
echo "test.sh: the test suite in $build"
start=$SECONDS
run_suite "$build"
echo "test.sh: the test suite took $(took $((SECONDS - start))) (build included)"
if [ "$quick" = 1 ]; then
  summary
  exit 0
fi

echo "test.sh: the test suite under AddressSanitizer and UndefinedBehaviorSanitizer in $sanitize_build"
# libxkbcommon-x11 (X11 platform, the smoke and main window tests) reads past a reply in
# strndup inside the system library; the check is left to our own code.
export ASAN_OPTIONS="intercept_strndup=0:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$root/scripts/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
start=$SECONDS
run_suite "$sanitize_build" -DCORNIX_SANITIZE=ON -DCORNIX_BUILD_BENCH=OFF \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
echo "test.sh: the sanitizer suite took $(took $((SECONDS - start))) (build included)"
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

if [ ${#ctest_args[@]} -eq 0 ]; then
  echo "test.sh: each fuzz target for ${CORNIX_FUZZ_SECONDS:-30} s"
  start=$SECONDS
  "$root/scripts/fuzz.sh" "${CORNIX_FUZZ_SECONDS:-30}" | tee "$build/fuzz.log"
  targets="$(grep -c ' executions ' "$build/fuzz.log")" || targets=0
  passed=$((passed + targets))
  echo "test.sh: the fuzzing took $(took $((SECONDS - start))) (build included)"
fi
summary
