#!/usr/bin/env bash
# Runs each fuzz target of build-sanitize/ (scripts/ci-sanitize.sh builds them)
# for FUZZ_SECONDS on its corpus of fuzz/corpus/<name>, and prints how many
# inputs each tried. New inputs go to a scratch folder, the repository's
# corpus stays as it is. Any crash or sanitizer report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-15}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=detect_leaks=0:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
start=$SECONDS
for name in tone store routes serial duration; do
  mkdir -p "$scratch/$name"
  log="$scratch/$name.log"
  if ! build-sanitize/fuzz/fuzz_$name -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
      -rss_limit_mb=2048 -artifact_prefix="$scratch/$name-" "$scratch/$name" "fuzz/corpus/$name" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz $name: FAILED"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
  echo "fuzz $name: ${runs:-?} inputs tried in ${seconds} s (${cov:-cov: ?})"
done
echo "fuzz: stage $((SECONDS - start)) s"
