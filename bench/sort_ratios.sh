#!/usr/bin/env bash
# Runs sort_bench and adds a table of each sort's CPU time over that of std::sort on the same
# keys: the n-th run of a sort over the n-th of std::sort, their median and range per shape.
# usage: bench/sort_ratios.sh SORT_BENCH [BENCHMARK OPTIONS]
set -euo pipefail
json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$1" --benchmark_out="$json" --benchmark_out_format=json "${@:2}"
echo
echo "| type/shape | sort | CPU time ratio to std::sort: median (lowest-highest); below 1: faster |"
echo "|---|---|---|"
jq -r 'def f: . * 100 | round / 100;
  [.benchmarks[] | select(.run_type == "iteration" and (.error_occurred | not))
   | (.name | split("/")) as $n | {group: "\($n[0])/\($n[1])", sort: $n[2], t: .cpu_time}]
  | group_by(.group)[] | . as $runs | [$runs[] | select(.sort == "std::sort") | .t] as $ref
  | ($runs | map(select(.sort != "std::sort")) | group_by(.sort)[]) as $mine
  | [range([($mine | length), ($ref | length)] | min) as $k | $mine[$k].t / $ref[$k]] | sort
  | select(length > 0)
  | "| \($runs[0].group) | \($mine[0].sort) | \(.[length / 2 | floor] | f) (\(.[0] | f)-\(.[-1] | f)) |"' "$json"
