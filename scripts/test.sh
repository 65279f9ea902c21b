#!/usr/bin/env bash
# The test command: the translation check, then every other check, on two
# builds of the tree.
#   build-sanitize  clang with AddressSanitizer and UndefinedBehaviorSanitizer:
#                   the whole test suite, then a short run of each fuzz target
#   build-package   Release with Debian's hardening flags: the package and its
#                   checks, the soak run and a smoke run of each benchmark
# The two builds run side by side and each check starts as soon as its build
# is done, so that the cores stay busy while tests wait on pseudo-terminals.
# Each stage prints one line with its wall and CPU time when it ends; its
# whole output is in build-logs/<stage>.log.
#   QUILLON_FUZZ_SECONDS  seconds per fuzz target (default 5)
#   QUILLON_SOAK_SECONDS  length of the soak run (default 60)
# On a fresh Debian 12 machine it installs what it needs when run as root.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$(pwd)

source scripts/lib/common.sh
ensure_packages "${QUILLON_PACKAGES_BUILD[@]}" "${QUILLON_PACKAGES_TEST[@]}" \
  "${QUILLON_PACKAGES_PACKAGE[@]}" "${QUILLON_PACKAGES_BENCH[@]}"

jobs=$(nproc)
sanitize="$root/build-sanitize"
release="$root/build-package"
logs="$root/build-logs"
fuzz_seconds=${QUILLON_FUZZ_SECONDS:-5}
soak_seconds=${QUILLON_SOAK_SECONDS:-60}
rm -rf "$logs"
mkdir -p "$logs"
started=$EPOCHREALTIME

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=offscreen

# seconds_of_times: the user and system time that `times` printed on stdin.
seconds_of_times() {
  awk '{ for (i = 1; i <= NF; i++) { split($i, t, "m"); sub("s", "", t[2]); s += t[1] * 60 + t[2] } }
       END { printf "%.0f", s }'
}

# stage ID TITLE COMMAND...: runs COMMAND with its output in build-logs/ID.log,
# then prints one line: when it ended, its wall time and the CPU time (user +
# system) of all its processes. Stages may run side by side; each prints its
# lines in one write. On failure it prints the end of the log.
stage() {
  local id=$1 title=$2
  shift 2
  local log="$logs/$id.log" start=$EPOCHREALTIME status=0
  (
    trap 'times >"$log.cpu"' EXIT
    "$@"
  ) >"$log" 2>&1 &
  wait $! || status=$?
  local now=$EPOCHREALTIME cpu report
  cpu=$(seconds_of_times <"$log.cpu")
  report=$(awk -v t="$title" -v s="$start" -v n="$now" -v b="$started" -v c="$cpu" -v ok="$status" 'BEGIN {
    e = n - b; printf "[%2d:%02d] %-46s %-6s %5.0f s wall %6.0f s CPU", e / 60, e % 60, t,
      ok == 0 ? "ok" : "FAILED", n - s, c }')
  if [ "$status" -eq 0 ]; then
    report+=$(summary "$id" "$log")
  else
    report+=$'\n'"$(tail -n 60 "$log")"$'\n'"(whole output: $log)"
  fi
  printf '%s\n' "$report"
  return "$status"
}

# summary ID LOG: the few lines of a passed stage's output worth reading here.
summary() {
  local lines=""
  case $1 in
    tests) lines=$(grep -E 'tests passed|Total Test time' "$2") ;;
    fuzz) lines=$(grep -E '^fuzz_' "$2") ;;
    soak) lines=$(grep -E '^soak' "$2") ;;
    bench) lines=$(grep -E '^bench_[a-z]+: ' "$2") ;;
    package-test) lines=$(grep -E '^Package test passed' "$2") ;;
    translations) lines=$(grep -E '^translations' "$2") ;;
  esac
  [ -z "$lines" ] || printf '\n%s' "$(sed 's/^/         /' <<<"$lines")"
}

# Stage commands chain with &&: errexit does not hold inside a function whose
# status is tested, as every stage's is.
build_sanitizer_tree() {
  configure_sanitizer_tree "$root" "$sanitize" && cmake --build "$sanitize" -j "$jobs"
}

# Most tests wait on pseudo-terminals and time-outs, so twice as many run as
# there are cores.
run_tests() {
  ctest --test-dir "$sanitize" -j $((2 * jobs)) --output-on-failure --timeout 300
}

# The package tree, configured again with the tests and benchmarks: only the
# soak and benchmark programs are built there; the package is already made.
build_release_extras() {
  cmake -S "$root" -B "$release" -DQUILLON_BUILD_TESTS=ON -DQUILLON_BUILD_BENCH=ON >/dev/null &&
    cmake --build "$release" -j "$jobs" --target quillon_soak bench_link bench_io bench_scan bench_ui
}

# Both builds share the cores alike: the package tree is the smaller one, and
# the soak after it, a minute of mostly waiting, then overlaps the end of the
# sanitizer build and the tests.
sanitizer_path() {
  stage build-sanitize "Build: sanitizer tree (clang, fuzz targets)" build_sanitizer_tree &&
    stage tests "Tests (ASan + UBSan)" run_tests &&
    stage fuzz "Fuzzing (${fuzz_seconds} s per target)" scripts/fuzz.sh "$fuzz_seconds"
}

release_path() {
  stage package "Package: Release build, .deb, .tar.gz" scripts/package.sh &&
    stage build-release "Build: soak and benchmarks (package tree)" build_release_extras || return 1
  local pids=() status=0 pid
  stage package-test "Package checks (unpacked)" scripts/package-test.sh &
  pids+=($!)
  QUILLON_RELEASE_TREE=$release stage soak "Soak (${soak_seconds} s)" scripts/soak.sh "$soak_seconds" &
  pids+=($!)
  QUILLON_RELEASE_TREE=$release stage bench "Benchmarks, smoke run (package tree)" scripts/bench.sh --smoke &
  pids+=($!)
  for pid in "${pids[@]}"; do wait "$pid" || status=1; done
  return $status
}

echo "== Stages (whole output of each in build-logs/)"
stage translations "Translations (all translated, .ts up to date)" scripts/check-translations.sh ||
  { echo "== FAILED (see the stage above)"; exit 1; }
sanitizer_path &
sanitizer_pid=$!
release_path &
release_pid=$!
status=0
wait "$sanitizer_pid" || status=1
wait "$release_pid" || status=1

# `times` must run in this shell: in a pipe or a substitution it would count
# only its own subshell.
times >"$logs/total.cpu"
cpu=$(seconds_of_times <"$logs/total.cpu")
awk -v s="$started" -v n="$EPOCHREALTIME" -v c="$cpu" 'BEGIN {
  e = n - s; printf "== Total: %d min %02d s wall, %.0f s CPU\n", e / 60, e % 60, c }'
[ "$status" -eq 0 ] || { echo "== FAILED (see the stages above)"; exit 1; }

total=$(grep -Eo 'tests failed out of [0-9]+' "$logs/tests.log" | grep -Eo '[0-9]+$')
echo "== All tests passed"
echo "tests: $total passed, 0 failed"
