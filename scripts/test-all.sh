#!/usr/bin/env bash
# Installs what the project needs, then builds and runs every test twice (a normal build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build) under one shared Xvfb, then runs each fuzz
# target briefly on its seed corpus. Set SKIP_INSTALL=1 to skip the package install.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
jobs="$(nproc)"
fuzz_seconds="${FUZZ_SECONDS:-30}"

if [ "${SKIP_INSTALL:-0}" != "1" ]; then
  bash scripts/install-deps.sh
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
run_suite() {
  local name="$1" dir="$2"; shift 2
  echo "=== $name build"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$dir" -j"$jobs"
  echo "=== $name tests"
  local log="$tmp/$name.ctest"
  # A test that fails is run once more: windows, key events and the clock can lose a race on a loaded
  # machine. A real fault fails both times.
  ( cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 300 --repeat until-pass:2 ) 2>&1 | tee "$log"
  local status="${PIPESTATUS[0]}"
  summary+="$name: $(grep -E 'tests passed|tests failed' "$log" | tail -n 1)"$'\n'
  return "$status"
}

run_suite normal build/ci-normal
run_suite sanitize build/ci-sanitize -DHALCYRA_SANITIZE=ON -DHALCYRA_BENCH=OFF

echo "=== fuzz build"
CC=clang CXX=clang++ cmake -S . -B build/ci-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DHALCYRA_FUZZ=ON -DHALCYRA_TESTS=OFF -DHALCYRA_BENCH=OFF
cmake --build build/ci-fuzz -j"$jobs" --target fuzzers
fuzz_failed=0
fuzz_count=0
pids=()
names=()
for dir in fuzz/*/; do
  name="$(basename "$dir")"
  bin="build/ci-fuzz/fuzz/$name/fuzz_$name"
  [ -x "$bin" ] || continue
  mkdir -p "$tmp/corpus-$name"
  echo "=== fuzz $name for ${fuzz_seconds}s"
  ( "$bin" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$tmp/crash-$name-" "$tmp/corpus-$name" "$dir/corpus" >"$tmp/fuzz-$name.log" 2>&1 ) &
  pids+=("$!")
  names+=("$name")
  fuzz_count=$((fuzz_count + 1))
done
for i in "${!pids[@]}"; do
  if wait "${pids[$i]}"; then
    echo "fuzz ${names[$i]}: $(grep -E '^#[0-9]+.*(DONE|pulse|NEW)' "$tmp/fuzz-${names[$i]}.log" | tail -n 1)"
  else
    echo "fuzz ${names[$i]} FAILED:"; tail -n 60 "$tmp/fuzz-${names[$i]}.log"
    fuzz_failed=$((fuzz_failed + 1))
  fi
done

echo
printf '%s' "$summary"
echo "fuzz: $((fuzz_count - fuzz_failed)) passed, $fuzz_failed failed"
[ "$fuzz_failed" -eq 0 ]
