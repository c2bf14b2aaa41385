#!/usr/bin/env bash
# Puts each fault of faults.txt into the sources in turn, builds, runs the test suite and notes
# which tests failed: a fault no test catches is a gap in the suite. Not part of the normal test
# run; it takes about a minute per fault. CHECK_ONLY=1 only checks that every fault applies.
#   tools/mutation/run.sh [RESULTS [BUILD_DIR [FAULT_NAME...]]]
set -uo pipefail
cd "$(dirname "$0")/../.."
faults=tools/mutation/faults.txt
results=${1:-mutation-results.txt}
build=${2:-build-mutation}
shift $(($# < 2 ? $# : 2))
only=("$@")
export QT_QPA_PLATFORM=offscreen

if [[ -n "$(git status --porcelain -- src)" ]]; then
  echo "src/ has uncommitted changes; commit or stash them first" >&2
  exit 2
fi
trap 'git checkout -q -- src' EXIT

if [[ -z ${CHECK_ONLY:-} ]]; then
  # A fresh build directory gets a Debug build, quickest to compile; an existing one is reused.
  [[ -f $build/CMakeCache.txt ]] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g0" >/dev/null || exit 2
  cmake --build "$build" -j "$(nproc)" >/dev/null || { echo "the unchanged sources do not build" >&2; exit 2; }
fi

# One fault: applies its find/replace pairs with perl, reading the texts from the environment so
# that nothing in them is taken for a pattern.
apply() {
  local file=$1; shift
  while (($#)); do
    local count
    count=$(FIND="$1" perl -0ne '$n = () = /\Q$ENV{FIND}\E/g; print $n' "$file")
    [[ $count == 1 ]] || return 1
    FIND="$1" REPLACE="$2" perl -0pi -e 's/\Q$ENV{FIND}\E/$ENV{REPLACE}/' "$file"
    shift 2
  done
}

run_fault() {
  local name=$1 file=$2; shift 2
  if [[ ${#only[@]} -gt 0 && ! " ${only[*]} " == *" $name "* ]]; then return; fi
  local outcome
  if ! apply "$file" "$@"; then
    outcome="STALE (the text to find is not in $file once)"
  elif [[ -n ${CHECK_ONLY:-} ]]; then
    outcome="applies"
  elif ! cmake --build "$build" -j "$(nproc)" >/dev/null 2>&1; then
    outcome="NOT BUILT"
  else
    local start=$SECONDS log
    log=$(ctest --test-dir "$build" -j "$(nproc)" -LE package 2>&1)
    local failed
    # "tst_window" for a failed test, "tst_window(timeout)" for one that ran into its time limit.
    failed=$(sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\) (\(Timeout\)\{0,1\}.*/\1(\2)/p' <<<"$log" |
      sed 's/()$//; s/(Timeout)/(timeout)/' | sort | tr '\n' ' ')
    if [[ -z $failed ]]; then outcome="SURVIVED"; else outcome="caught by ${failed}in $((SECONDS - start)) s"; fi
  fi
  git checkout -q -- "$file"
  printf '%-28s %s\n' "$name" "$outcome" | tee -a "$results"
}

: >"$results"
name="" file="" pairs=()
while IFS= read -r line || [[ -n $line ]]; do
  case $line in
    "## "*)
      [[ -n $name ]] && run_fault "$name" "$file" "${pairs[@]}"
      name=${line#\#\# }; name=${name%%:*}; file="" pairs=() ;;
    "- "*) pairs+=("${line#- }") ;;
    "+ "*) pairs+=("${line#+ }") ;;
    "#"* | "") ;;
    *) file=$line ;;
  esac
done <"$faults"
[[ -n $name ]] && run_fault "$name" "$file" "${pairs[@]}"

# Rebuild the unchanged sources so the build directory is not left with the last fault in it.
[[ -n ${CHECK_ONLY:-} ]] || cmake --build "$build" -j "$(nproc)" >/dev/null
[[ -n ${CHECK_ONLY:-} ]] && exit 0
caught=$(grep -c ' caught by ' "$results")
echo "$caught of $(wc -l <"$results") faults caught" | tee -a "$results"
