#!/usr/bin/env bash
# Builds the libFuzzer targets (every fuzz/fuzz_*.cpp) with clang in
# build-fuzz and runs each for SECONDS (default 60) on a copy of its seed
# corpus (the folders fuzz/<target>*corpus*), so that new inputs stay out of
# the repository. A fuzz/<target>.dict is handed to its target. SECONDS 0
# only replays the corpora, as CI does.
# Exits non-zero on a finding (crash, leak, time-out or violated invariant);
# the input that caused it is kept in build-fuzz/findings/<target>/.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
case "$seconds" in '' | *[!0-9]*) echo "usage: $0 [SECONDS]" >&2; exit 2;; esac

./scripts/install-deps.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DV6UVUV_FUZZ=ON -DV6UVUV_UI=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build build-fuzz --target fuzz

mapfile -t targets < <(find build-fuzz/fuzz -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x -printf '%f\n' | sort)
[ ${#targets[@]} -gt 0 ] || { echo "fuzz: no fuzz_* target was built" >&2; exit 1; }

# A corpus folder belongs to the longest target name it starts with.
owner() {
  local folder=$1 best="" t
  for t in "${targets[@]}"; do
    case "$folder" in "$t"*) [ ${#t} -gt ${#best} ] && best=$t;; esac
  done
  echo "$best"
}

status=0
passed=0
failed=0
for target in "${targets[@]}"; do
  work=build-fuzz/run/$target
  findings=build-fuzz/findings/$target
  log=build-fuzz/run/$target.log
  rm -rf "$work"
  mkdir -p "$work" "$findings"
  for seeds in fuzz/*corpus*/; do
    name=$(basename "$seeds")
    [ -d "$seeds" ] && [ "$(owner "$name")" = "$target" ] && cp -r "$seeds". "$work"/
  done
  options=(-timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/")
  if [ "$seconds" -eq 0 ]; then options+=(-runs=0); else options+=(-max_total_time="$seconds"); fi
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
  seeds=$(find "$work" -type f | wc -l)
  if [ "$seconds" -eq 0 ]; then
    echo "fuzz: $target: replaying $seeds seed inputs"
  else
    echo "fuzz: $target for $seconds s on $seeds seed inputs"
  fi
  if build-fuzz/fuzz/"$target" "${options[@]}" "$work" >"$log" 2>&1; then
    passed=$((passed + 1))
  else
    status=1
    failed=$((failed + 1))
    tail -n 60 "$log"
    echo "fuzz: FINDING in $target; input kept in $findings/, log in $log"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "fuzz: $target: ${runs:-?} runs"
done
echo "fuzz: $passed passed, $failed failed"
exit $status
