#!/usr/bin/env bash
# Installs what the project needs, then builds and runs every test twice (a normal build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build) under one shared Xvfb, then builds the whole
# project with clang (warnings are errors there too), then runs each fuzz target briefly on its seed
# corpus. Set SKIP_INSTALL=1 to skip the package install, JOBS to build
# and test with fewer jobs than the machine has cores, FUZZ_SECONDS to fuzz longer or shorter.
#
# Every phase runs whatever the ones before it gave. The summary at the end has a line per phase
# (and per fuzz target), names every failing test and every test that passed only when run a
# second time, and ends with the totals; the script fails when anything did.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
jobs="${JOBS:-$(nproc)}"
fuzz_seconds="${FUZZ_SECONDS:-30}"

if [ "${SKIP_INSTALL:-0}" != "1" ]; then
  bash scripts/install-deps.sh || exit 1
fi

tmp="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT

# One X server for the whole run. -noreset: without it the server resets whenever its last client
# leaves, and a test that connects during the reset fails to open the display.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 100); do
  if [ -s "$tmp/display" ]; then break; fi
  sleep 0.1
done
if [ ! -s "$tmp/display" ]; then
  echo "Xvfb did not start:"; cat "$tmp/xvfb.log"; exit 1
fi
export DISPLAY=":$(cat "$tmp/display")"
# Music tests play through OpenAL Soft's silent back-end: these machines have no sound card.
export ALSOFT_DRIVERS=null

summary=""
passed=0
failed=0
note() { summary+="$1"$'\n'; }

# The test names of a ctest LastTestsFailed.log ("number:name" lines), one a line.
failed_names() {
  if [ -f "$1" ]; then cut -d: -f2- "$1"; fi
}

run_suite() {
  local name="$1" dir="$2"; shift 2
  echo "=== $name build"
  if ! { cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" && cmake --build "$dir" -j"$jobs"; }; then
    note "$name: build FAILED, no tests run"
    failed=$((failed + 1))
    return
  fi
  echo "=== $name tests"
  local log="$tmp/$name.ctest" failures="$dir/Testing/Temporary/LastTestsFailed.log"
  rm -f "$failures"
  ( cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 300 ) 2>&1 | tee "$log"
  local total
  total="$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)"
  if [ -z "$total" ]; then
    note "$name: ctest did not finish (see its output above)"
    failed=$((failed + 1))
    return
  fi
  # A failing test is run once more before it counts: a real fault fails both times. Those that
  # pass the second time are named, so that a test that fails at random is seen.
  local -a first=() still=() flaky=()
  mapfile -t first < <(failed_names "$failures")
  if [ "${#first[@]}" -gt 0 ]; then
    echo "=== $name: ${#first[@]} failed tests once more"
    ( cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 300 --rerun-failed ) 2>&1 | tee "$log.again"
    if grep -q '100% tests passed' "$log.again"; then
      still=()
    elif grep -q 'tests failed out of' "$log.again"; then
      mapfile -t still < <(failed_names "$failures")
    else
      still=("${first[@]}")
    fi
    local test
    for test in "${first[@]}"; do
      if ! printf '%s\n' "${still[@]}" | grep -qxF -- "$test"; then flaky+=("$test"); fi
    done
  fi
  local bad="${#still[@]}"
  passed=$((passed + total - bad))
  failed=$((failed + bad))
  note "$name: $total tests, $((total - bad)) passed, $bad failed"
  local test
  for test in "${still[@]}"; do note "  failed: $test"; done
  for test in "${flaky[@]}"; do note "  passed only on the second try: $test"; done
}

run_suite normal build/ci-normal
run_suite sanitize build/ci-sanitize -DHALCYRA_SANITIZE=ON -DHALCYRA_BENCH=OFF

# The whole project, tests included, must build warning-free with clang too. Compiled without
# optimisation or debug information, and not run: the two builds above run every test.
echo "=== clang build"
if CC=clang CXX=clang++ cmake -S . -B build/ci-clang -DCMAKE_BUILD_TYPE=None &&
   cmake --build build/ci-clang -j"$jobs"; then
  note "clang: built warning-free"
  passed=$((passed + 1))
else
  note "clang: build FAILED"
  failed=$((failed + 1))
fi

echo "=== fuzz build"
fuzz_built=1
if ! { CC=clang CXX=clang++ cmake -S . -B build/ci-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DHALCYRA_FUZZ=ON -DHALCYRA_TESTS=OFF -DHALCYRA_BENCH=OFF &&
       cmake --build build/ci-fuzz -j"$jobs" --target fuzzers; }; then
  note "fuzz: build FAILED"
  failed=$((failed + 1))
  fuzz_built=0
fi
pids=()
names=()
# The fuzz logs and anything a fuzz target found stay in the build folder for a look afterwards.
fuzz_out=build/ci-fuzz/runs
rm -rf "$fuzz_out"
for dir in fuzz/*/; do
  [ "$fuzz_built" = 1 ] || break
  name="$(basename "$dir")"
  bin="build/ci-fuzz/fuzz/$name/fuzz_$name"
  if [ ! -x "$bin" ]; then
    note "fuzz $name: FAILED, not built"
    failed=$((failed + 1))
    continue
  fi
  mkdir -p "$tmp/corpus-$name" "$fuzz_out"
  echo "=== fuzz $name for ${fuzz_seconds}s"
  # Every seed is run once, whole, within the time limit: some seeds are there to catch a reader
  # turning slow again (a tag with a hundred thousand attributes, deeply nested layouts). Fuzzing
  # then starts from the seeds below 64 KiB, so that one large seed does not slow every run.
  seeds="$tmp/seeds-$name"
  mkdir -p "$seeds"
  find "$dir/corpus" -type f -size -65k -exec cp {} "$seeds/" \;
  ( "$bin" -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$fuzz_out/$name-seed-" "$dir"/corpus/* &&
    "$bin" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$fuzz_out/$name-" "$tmp/corpus-$name" "$seeds" ) >"$fuzz_out/$name.log" 2>&1 &
  pids+=("$!")
  names+=("$name")
done
for i in "${!pids[@]}"; do
  name="${names[$i]}"
  log="$fuzz_out/$name.log"
  status=0
  wait "${pids[$i]}" || status=$?
  # libFuzzer's last word: "Done N runs in S second(s)".
  done_line="$(grep -E '^Done [0-9]+ runs' "$log" | tail -n 1)"
  if [ "$status" -eq 0 ] && [ -n "$done_line" ]; then
    note "fuzz $name: ok, ${done_line#Done }"
    passed=$((passed + 1))
  else
    echo "=== fuzz $name FAILED (exit status $status):"; tail -n 60 "$log"
    why="$(grep -E '^(==[0-9]+== ?ERROR|SUMMARY|.*Test unit written)' "$log" | head -n 2 | tr '\n' ' ')"
    if [ "$status" -gt 128 ]; then why="killed by signal $((status - 128)) $why"; fi
    note "fuzz $name: FAILED, exit status $status${done_line:+ after ${done_line#Done }}${why:+: $why}(log: $log)"
    failed=$((failed + 1))
  fi
done

echo
echo "=== summary"
printf '%s' "$summary"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
