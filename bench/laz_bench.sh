#!/usr/bin/env bash
# The LAZ benchmark of varnoke-las: large LAZ files made by bench/laz_make.py from bundled ones
# (pointwise, layered and variable-size chunks) checked beside their uncompressed twins, with 1
# and 2 jobs, timed by hyperfine, peak memory by /usr/bin/time; a folder of copies of every
# bundled LAZ file; and, given laz-perf, its full decode of smaller files of the same kinds.
set -euo pipefail

usage() {
  cat <<'USAGE'
usage: bench/laz_bench.sh [options] BUILD_DIR
  --dir DIR       where the files are written (default /tmp; a folder laz-bench is made in it)
  --points N      points of each large file, at least (default 20000000)
  --runs N        timed runs of each command (default 3)
  --copies N      copies of each bundled LAZ file in the folder (default 100)
  --laz-perf DIR  a folder holding node_modules/laz-perf: time its full decode too
  --reference N   points of the files laz-perf decodes (default 200000)
  --keep          keep the files afterwards
Needs python3, hyperfine, jq and /usr/bin/time; laz-perf needs node.
USAGE
}

dir=/tmp points=20000000 runs=3 copies=100 laz_perf='' reference=200000 keep='' build=''
while (($#)); do
  case $1 in
    --dir | --points | --runs | --copies | --laz-perf | --reference)
      (($# > 1)) || { usage >&2; exit 2; }
      name=${1#--}
      declare "${name//-/_}=$2"
      shift ;;
    --keep) keep=1 ;;
    -h | --help) usage; exit 0 ;;
    -*) usage >&2; exit 2 ;;
    *) [[ -z $build ]] || { usage >&2; exit 2; }; build=$1 ;;
  esac
  shift
done
[[ -n $build ]] || { usage >&2; exit 2; }
for tool in python3 hyperfine jq /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "laz_bench: $tool is missing" >&2; exit 1; }
done
here=$(cd "$(dirname "$0")" && pwd)
data=$here/../tests/data
varnoke_las=$build/tool/varnoke-las
work=$dir/laz-bench
mkdir -p "$work/copies"
trap '[[ -n $keep ]] || rm -rf "$work"' EXIT

# name, compression, LAZ file, its twin
kinds=(
  "pointwise|pointwise, format 3, chunks of 50,000|laz/autzen_trim.laz|laz/autzen_trim.las"
  "layered|layered, format 6, chunks of 1,000|laz/1_4_w_evlr.laz|las13-14/1_4_w_evlr.las"
  "variable|COPC, format 7, variable chunks of ~16|laz/simple.copc.laz|laz/simple.las"
)

# Every file must be judged ok with the count it was made with.
expect_ok() {
  local json
  json=$("$varnoke_las" check --json --quiet "$1")
  [[ $(jq -r .result <<<"$json") == ok && $(jq -r .records <<<"$json") == "$2" ]] ||
    { echo "laz_bench: $1 is not judged ok with $2 records: $json" >&2; exit 1; }
}

seconds() {  # FILE JOBS: mean seconds of `check`, elapsed and of CPU time (user + system)
  hyperfine -N --style none --runs "$runs" --warmup 1 --export-json "$work/t.json" \
    "$varnoke_las check --quiet --jobs $2 $1" >/dev/null
  jq -r '.results[0] | "\(.mean) \(.user + .system)"' "$work/t.json"
}

peak_mib() {  # ARGS...: peak resident MiB of `check ARGS` (stale or refused files exit non-zero)
  { /usr/bin/time -v "$varnoke_las" check --quiet "$@" 2>&1 >/dev/null || true; } |
    awk '/Maximum resident/ { printf "%.0f", $6 / 1024 }'
}

echo "| file | points | compression | jobs | LAZ s | LAS s | LAZ/LAS | M points/s/core | LAZ CPU s | M points/CPU s | peak RSS LAZ / LAS MiB |"
echo "|---|---|---|---|---|---|---|---|---|---|---|"
for kind in "${kinds[@]}"; do
  IFS='|' read -r name compression laz twin <<<"$kind"
  python3 "$here/laz_make.py" "$data/$laz" "$data/$twin" "$points" \
    "$work/$name.laz" "$work/$name.las" >/dev/null
  n=$("$varnoke_las" check --json --quiet "$work/$name.las" | jq -r .records)
  expect_ok "$work/$name.laz" "$n"
  expect_ok "$work/$name.las" "$n"
  for jobs in 1 2; do
    read -r z cpu < <(seconds "$work/$name.laz" "$jobs")
    read -r s _ < <(seconds "$work/$name.las" "$jobs")
    awk -v f="$name.laz" -v n="$n" -v c="$compression" -v j="$jobs" -v z="$z" -v s="$s" -v u="$cpu" \
      -v rz="$(peak_mib --jobs "$jobs" "$work/$name.laz")" -v rs="$(peak_mib --jobs "$jobs" "$work/$name.las")" \
      'BEGIN { printf "| %s | %d | %s | %d | %.3f | %.3f | %.1f | %.1f | %.2f | %.1f | %s / %s |\n",
               f, n, c, j, z, s, z / s, n / z / j / 1e6, u, n / u / 1e6, rz, rs }'
  done
  rm -f "$work/$name.las"
done

# The folder: copies of every bundled LAZ file, named on a list (a folder walk takes .las only).
count=0
for ((k = 0; k < copies; ++k)); do
  for f in "$data"/laz/*.laz; do
    cp "$f" "$work/copies/$k-$(basename "$f")"
    count=$((count + 1))
  done
done
find "$work/copies" -name '*.laz' | sort >"$work/list"
echo
echo "| folder | files | jobs | s | files/s | peak RSS MiB |"
echo "|---|---|---|---|---|---|"
for jobs in 1 2; do
  # Some bundled files are stale or refused on purpose: exit statuses are not judged.
  hyperfine -N --style none --runs "$runs" --warmup 1 -i --export-json "$work/t.json" \
    "$varnoke_las check --quiet --jobs $jobs --files-from $work/list" >/dev/null 2>&1
  t=$(jq -r '.results[0].mean' "$work/t.json")
  rss=$(peak_mib --jobs "$jobs" --files-from "$work/list")
  awk -v n="$count" -v j="$jobs" -v t="$t" -v r="$rss" \
    'BEGIN { printf "| copies of tests/data/laz | %d | %d | %.3f | %.0f | %s |\n", n, j, t, n / t, r }'
done

# A second run over the unchanged folder with --since: the first run's results, no file read,
# beside listing the files and beside a first run.
"$varnoke_las" check --json --quiet --files-from "$work/list" >"$work/report.jsonl" || true
reused=$("$varnoke_las" check --since "$work/report.jsonl" --summary --quiet --files-from "$work/list" |
  sed -n 's/.*; \([0-9]*\) reused from the earlier report$/\1/p')
((reused == count)) || { echo "laz_bench: --since reused $reused of $count files" >&2; exit 1; }
hyperfine --style none --runs "$runs" --warmup 1 -i --export-json "$work/t.json" \
  -n list "find $work/copies -name '*.laz' > /dev/null" \
  -n since "$varnoke_las check --quiet --since $work/report.jsonl --files-from $work/list" \
  -n first "$varnoke_las check --quiet --files-from $work/list" >/dev/null 2>&1
echo
echo "| a second run over $count unchanged LAZ files | s |"
echo "|---|---|"
jq -r '.results[] | "| \(.command) | \(.mean * 1000 | round / 1000) |"' "$work/t.json"

# laz-perf decodes every field of every point, one thread; varnoke-las with one job beside it.
[[ -n $laz_perf ]] || exit 0
echo
echo "| file | points | laz-perf full decode s | M points/s | varnoke-las --jobs 1 s | M points/s | ratio |"
echo "|---|---|---|---|---|---|---|"
for kind in "${kinds[@]}"; do
  IFS='|' read -r name compression laz twin <<<"$kind"
  python3 "$here/laz_make.py" "$data/$laz" "$data/$twin" "$reference" \
    "$work/ref-$name.laz" "$work/ref-$name.las" >/dev/null
  read -r _ n full _ < <(NODE_PATH=$laz_perf/node_modules node "$here/laz_perf.js" "$work/ref-$name.laz")
  expect_ok "$work/ref-$name.laz" "$n"
  read -r z _ < <(seconds "$work/ref-$name.laz" 1)
  awk -v f="ref-$name.laz" -v n="$n" -v p="$full" -v z="$z" \
    'BEGIN { printf "| %s | %d | %.2f | %.2f | %.3f | %.2f | %.0f |\n", f, n, p, n / p / 1e6, z, n / z / 1e6, p / z }'
done
