#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Totals of every fuzzing run recorded in the statistics file (fuzz/run.sh
# appends one line per target and run): executions so far, the latest rates
# and coverage, and how long each target still needs to reach GOAL
# executions (10 million unless given) with both cores on it, at its latest
# rate per CPU-second (the wall-clock rate depends on who else uses the
# machine; the CPU rate does not). A run marked by hand other than "ok" or
# "FINDING" (one stopped early, say) counts its executions and no finding.
#
#   fuzz/stats.sh [STATS_FILE] [GOAL]

set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
STATS=${1:-$ROOT/build-fuzz/fuzz-stats.tsv}
GOAL=${2:-10000000}
CORES=${CORES:-2}

if [ ! -f "$STATS" ]; then
    echo "no statistics yet ($STATS): run make fuzz first"
    exit 0
fi

awk -F'\t' -v goal="$GOAL" -v cores="$CORES" '
NR == 1 { next }
{
    t = $2
    if (!(t in runs)) order[++n] = t
    runs[t]++; secs[t] += $3; execs[t] += $4
    rate[t] = $5; cpurate[t] = $7; cov[t] = $8; ft[t] = $9; corpus[t] = $10
    if ($11 == "FINDING") findings[t]++
}
function hours(s) { return s < 3600 ? sprintf("%.0f min", s / 60) : sprintf("%.1f h", s / 3600) }
END {
    printf "== totals over all runs (goal %d executions, %d cores a target)\n", goal, cores
    printf "%-12s %4s %8s %12s %8s %10s %6s %7s %7s %9s\n", "target", "runs", "seconds",
           "executions", "exec/s", "exec/cpu-s", "cov", "ft", "corpus", "to goal"
    for (i = 1; i <= n; ++i) {
        t = order[i]
        left = goal - execs[t]
        if (left < 0) left = 0
        need = cpurate[t] > 0 ? left / (cores * cpurate[t]) : -1
        all += need > 0 ? need : 0
        printf "%-12s %4d %8d %12d %8d %10d %6d %7d %7d %9s%s\n", t, runs[t], secs[t], execs[t],
               rate[t], cpurate[t], cov[t], ft[t], corpus[t],
               need < 0 ? "?" : hours(need), findings[t] ? "  (" findings[t] " runs with findings)" : ""
    }
    printf "every target to the goal, one after another: %s\n", hours(all)
}' "$STATS"
