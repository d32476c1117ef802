#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and runs the fuzz targets (what `make fuzz` does).
#
#   fuzz/run.sh [all|build|fuzz|replay|merge|stats]
#
#   build   configures and builds every target twice under $FUZZ_DIR: fast/
#           with libFuzzer alone and optimised, for throughput, and asan/ with
#           AddressSanitizer and UndefinedBehaviorSanitizer as well
#   fuzz    runs each fast target for FUZZ_SECONDS (or FUZZ_RUNS executions)
#           on its working corpus
#           ($FUZZ_DIR/corpus/<target>, grown run after run) and its seeds in
#           the repository, FUZZ_JOBS targets at a time, and appends the
#           figures to $FUZZ_DIR/fuzz-stats.tsv
#   replay  feeds every working corpus, seed and regression input to the
#           sanitizer build once (-runs=0)
#   merge   adds to each repository corpus the working-corpus inputs that
#           reach new edges (libFuzzer -merge=1): commit what it keeps
#   stats   prints the totals of every run so far (fuzz/stats.sh)
#   all     build, fuzz, replay, stats (the default)
#
# Settings (environment): FUZZ_SECONDS (60; with FUZZ_RUNS, no limit unless
# given), FUZZ_RUNS executions a target (none), FUZZ_JOBS (2), FUZZ_TARGETS (a
# space-separated subset; default all), FUZZ_TIMEOUT seconds one input may
# take before it counts as a finding (10), FUZZ_RSS_MB (2048), FUZZ_DIR
# (build-fuzz), JOBS for the build (nproc). A long run towards an execution
# goal: FUZZ_RUNS=10000000 make fuzz.
#
# The exit status is non-zero when any target reported a finding; its input
# is under $FUZZ_DIR/findings/<target>/ and its log under $FUZZ_DIR/logs/.

set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
FUZZ_DIR=${FUZZ_DIR:-$ROOT/build-fuzz}
FUZZ_RUNS=${FUZZ_RUNS:-}
if [ -n "$FUZZ_RUNS" ]; then
    FUZZ_SECONDS=${FUZZ_SECONDS:-0}
else
    FUZZ_SECONDS=${FUZZ_SECONDS:-60}
fi
FUZZ_JOBS=${FUZZ_JOBS:-2}
FUZZ_TIMEOUT=${FUZZ_TIMEOUT:-10}
FUZZ_RSS_MB=${FUZZ_RSS_MB:-2048}
JOBS=${JOBS:-$(nproc)}
FAST=$FUZZ_DIR/fast
ASAN=$FUZZ_DIR/asan
STATS=$FUZZ_DIR/fuzz-stats.tsv
LOGS=$FUZZ_DIR/logs

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0}

configure() {
    local dir=$1
    shift
    CC=clang CXX=clang++ cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVORLIX_FUZZ=ON -DVORLIX_BUILD_TESTS=OFF -DVORLIX_BUILD_BENCH=OFF "$@" >/dev/null
}

build() {
    configure "$FAST" -DVORLIX_SANITIZE=OFF
    configure "$ASAN" -DVORLIX_SANITIZE=ON
    cmake --build "$FAST" --target fuzzers -j "$JOBS"
    cmake --build "$ASAN" --target fuzzers -j "$JOBS"
}

# "name max_len" lines of the targets asked for.
targets() {
    local list=$FAST/fuzz-targets.tsv
    if [ ! -f "$list" ]; then
        echo "no fuzz build in $FAST: run '$0 build' first" >&2
        exit 1
    fi
    if [ -z "${FUZZ_TARGETS:-}" ]; then
        cat "$list"
        return
    fi
    local t
    for t in $FUZZ_TARGETS; do
        grep -P "^$t\t" "$list" || { echo "unknown fuzz target: $t" >&2; exit 1; }
    done
}

# The input folders of a target, the writable working corpus first.
inputs() {
    local t=$1
    echo "$FUZZ_DIR/corpus/$t"
    echo "$ROOT/fuzz/$t/corpus"
    [ -d "$ROOT/fuzz/$t/regressions" ] && echo "$ROOT/fuzz/$t/regressions"
    return 0
}

# Seconds of CPU the children of this shell used, from `times` (which must
# not run in a pipeline: that would be a subshell without children).
cpu_seconds() {
    local file=$1
    times >"$file"
    tail -1 "$file" | awk '{
        s = 0
        for (i = 1; i <= 2; ++i) { split($i, p, /[ms]/); s += p[1] * 60 + p[2] }
        printf "%.2f", s }'
}

# Runs "$1 TARGET MAX_LEN" for every target asked for, FUZZ_JOBS at a time;
# fails when any of them failed.
each_target() {
    local run=$1 failed=0 t max_len
    while read -r t max_len; do
        while [ "$(jobs -rp | wc -l)" -ge "$FUZZ_JOBS" ]; do
            wait -n || failed=1
        done
        "$run" "$t" "$max_len" &
    done < <(targets)
    while [ "$(jobs -rp | wc -l)" -gt 0 ]; do
        wait -n || failed=1
    done
    return $failed
}

fuzz_one() {
    local t=$1 max_len=$2
    local log=$LOGS/$t.fuzz.log findings=$FUZZ_DIR/findings/$t
    mkdir -p "$FUZZ_DIR/corpus/$t" "$findings"
    # Findings of this run are the files newer than this mark.
    touch "$log.start"
    local args=(-max_len="$max_len" -max_total_time="$FUZZ_SECONDS" -timeout="$FUZZ_TIMEOUT"
                -rss_limit_mb="$FUZZ_RSS_MB" -print_final_stats=1 -artifact_prefix="$findings/")
    [ -f "$ROOT/fuzz/$t/$t.dict" ] && args+=(-dict="$ROOT/fuzz/$t/$t.dict")
    [ -n "$FUZZ_RUNS" ] && args+=(-runs="$FUZZ_RUNS")
    local dirs
    mapfile -t dirs < <(inputs "$t")
    local rc=0 started=$SECONDS
    # A subshell of its own, so `times` counts this fuzzer alone.
    local cpu
    cpu=$(
        "$FAST/fuzz/${t}_fuzz" "${args[@]}" "${dirs[@]}" >"$log" 2>&1 || echo "rc=$?" >"$log.rc"
        cpu_seconds "$log.times"
    )
    [ -f "$log.rc" ] && rc=1 && rm -f "$log.rc"
    local elapsed=$((SECONDS - started))
    local execs rate cov ft units result
    execs=$(grep -oP 'stat::number_of_executed_units: *\K[0-9]+' "$log" || echo 0)
    rate=$(grep -oP 'stat::average_exec_per_sec: *\K[0-9]+' "$log" || echo 0)
    cov=$(grep -oP '\bcov: \K[0-9]+' "$log" | tail -1 || true)
    ft=$(grep -oP '\bft: \K[0-9]+' "$log" | tail -1 || true)
    units=$(find "$FUZZ_DIR/corpus/$t" -type f | wc -l)
    result=ok
    local found
    found=$(find "$findings" -type f -newer "$log.start")
    if [ "$rc" -ne 0 ] || [ -n "$found" ]; then
        result=FINDING
    fi
    local per_cpu=0
    per_cpu=$(awk -v e="$execs" -v c="$cpu" 'BEGIN { printf "%d", (c > 0 ? e / c : 0) }')
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$(date -u +%FT%TZ)" "$t" \
        "$elapsed" "$execs" "$rate" "$cpu" "$per_cpu" "${cov:-0}" "${ft:-0}" "$units" \
        "$result" >>"$STATS"
    printf '%-12s %10s execs %7s/s %7s/cpu-s  cov %5s  ft %6s  corpus %5s  %s\n' "$t" "$execs" \
        "$rate" "$per_cpu" "${cov:-0}" "${ft:-0}" "$units" "$result"
    [ -z "$found" ] || echo "$found" | sed 's|^|             finding: |'
    [ "$result" = ok ] || echo "             log: $log"
    [ "$result" = ok ]
}

fuzz() {
    mkdir -p "$LOGS"
    targets >/dev/null
    [ -f "$STATS" ] || printf 'date\ttarget\tseconds\texecutions\texec_per_s\tcpu_s\texec_per_cpu_s\tcov\tft\tcorpus\tresult\n' >"$STATS"
    local limit="$FUZZ_SECONDS s"
    [ -n "$FUZZ_RUNS" ] && limit="$FUZZ_RUNS executions"
    echo "== fuzzing, $limit a target, $FUZZ_JOBS at a time (logs: $LOGS)"
    each_target fuzz_one
}

replay_one() {
    local t=$1
    local log=$LOGS/$t.replay.log
    mkdir -p "$FUZZ_DIR/corpus/$t" "$FUZZ_DIR/findings/$t"
    local dirs count
    mapfile -t dirs < <(inputs "$t")
    count=$(find "${dirs[@]}" -type f | wc -l)
    if "$ASAN/fuzz/${t}_fuzz" -runs=0 -timeout="$FUZZ_TIMEOUT" -rss_limit_mb="$FUZZ_RSS_MB" \
        -artifact_prefix="$FUZZ_DIR/findings/$t/" "${dirs[@]}" >"$log" 2>&1; then
        printf '%-12s %6s inputs  ok\n' "$t" "$count"
    else
        printf '%-12s %6s inputs  FINDING (see %s)\n' "$t" "$count" "$log"
        return 1
    fi
}

replay() {
    mkdir -p "$LOGS"
    targets >/dev/null
    echo "== replaying every input under AddressSanitizer and UndefinedBehaviorSanitizer"
    each_target replay_one
}

merge() {
    mkdir -p "$LOGS"
    targets >/dev/null
    local t max_len
    while read -r t max_len; do
        local repo=$ROOT/fuzz/$t/corpus before
        before=$(find "$repo" -type f | wc -l)
        # Edges only (no hit counts): the repository keeps the few inputs that
        # reach new code, the working corpus everything the fuzzer learned.
        "$FAST/fuzz/${t}_fuzz" -merge=1 -use_counters=0 -max_len="$max_len" \
            -rss_limit_mb="$FUZZ_RSS_MB" \
            "$repo" "$FUZZ_DIR/corpus/$t" >"$LOGS/$t.merge.log" 2>&1
        printf '%-12s %4s -> %4s seeds, %s bytes\n' "$t" "$before" "$(find "$repo" -type f | wc -l)" \
            "$(du -sb "$repo" | cut -f1)"
    done < <(targets)
}

stats() {
    bash "$ROOT/fuzz/stats.sh" "$STATS"
}

case ${1:-all} in
build) build ;;
fuzz) fuzz ;;
replay) replay ;;
merge) merge ;;
stats) stats ;;
all)
    build
    status=0
    fuzz || status=1
    replay || status=1
    stats
    exit $status
    ;;
*)
    sed -n '2,30p' "$0"
    exit 2
    ;;
esac
