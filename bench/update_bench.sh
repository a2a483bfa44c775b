#!/usr/bin/env bash
# The header update benchmark (doc/BENCHMARKS.md): Quillfen repairs stale LAS 1.2 files written
# by bench/stale_las, timed by hyperfine beside `dd bs=1M`, cold and warm, with its peak memory.
# Every header is checked against its records. --smoke only repairs and checks small files.
set -euo pipefail

usage_text='usage: bench/update_bench.sh [options] BUILD_DIR
  --runs N         timed runs of each command on each file and cache state (default 7)
  --mib N          size of the two large files in MiB (default 1024)
  --dir DIR        where the files are written (made if missing; default BUILD_DIR/bench-files)
  --keep           keep the files afterwards
  --quillfen PATH  the Quillfen to run (default BUILD_DIR/tool/Quillfen)
  --smoke          small files of point formats 0 to 3, repaired and checked, nothing timed
Cold runs empty the page cache with drop_caches when run as root, else evict the file with
vmtouch -e. Timing needs hyperfine, jq, vmtouch and /usr/bin/time.'
runs=7 mib=1024 small_mib=100 dir='' keep='' smoke='' quillfen=''
value_options='runs mib dir quillfen' flag_options='keep smoke'
# shellcheck source=options.sh
source "$(dirname "$0")/options.sh"
stale_las=$build/bench/stale_las
quillfen=${quillfen:-$build/tool/Quillfen}
dir=${dir:-$build/bench-files}
mkdir -p "$dir"

files=()
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"; [[ -n $keep ]] || rm -f "${files[@]}"' EXIT

# Writes a file of point format $1 and $2 MiB, and checks that the check finds its header stale.
new_file() {
  local path=$dir/format$1-$2MiB.las
  "$stale_las" write "$path" "$1" "$2" "$((${#files[@]} + 1))"
  files+=("$path")
  if "$stale_las" check "$path" 2>/dev/null; then
    echo "update_bench: the check takes the stale header of $path for right" >&2
    exit 1
  fi
}

repair_and_check() {
  local out
  out=$("$quillfen" "$1") || { printf '%s\n' "$out" >&2; echo "update_bench: Quillfen failed on $1" >&2; exit 1; }
  "$stale_las" check "$1"
}

if [[ -n $smoke ]]; then
  for format in 0 1 2 3; do
    new_file "$format" 3
    repair_and_check "${files[-1]}"
  done
  echo "update benchmark, smoke run: Quillfen repaired ${#files[@]} headers as the records say"
  exit 0
fi

for tool in hyperfine jq vmtouch /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "update_bench: $tool is missing" >&2; exit 1; }
done
for format in 0 3; do new_file "$format" "$mib"; done
new_file 0 "$small_mib"
for f in "${files[@]}"; do repair_and_check "$f"; done
echo "Quillfen: $quillfen; files in $dir; $runs runs of each command"

# Seconds with three decimals; the table's rows: medians and second-slowest runs, and their ratios.
table_row='def f: (. * 1000 | round) as $m | "\($m / 1000 | floor).\("00\($m % 1000)"[-3:])";
  def second_slowest: .times | sort | .[-2] // .[-1];
  .results as [$q, $d]
  | "| \($name) | \($q.median | f) | \($d.median | f) | \($q.median / $d.median | f) "
  + "| \($q | second_slowest | f) | \($d | second_slowest | f) "
  + "| \(($q | second_slowest) / ($d | second_slowest) | f) |"'
rows=()
for cache in cold warm; do
  for f in "${files[@]:0:2}"; do
    if [[ $cache == warm ]]; then
      prepare=(--warmup 2)
    elif ((EUID == 0)); then
      prepare=(--prepare "sh -c 'sync; echo 3 > /proc/sys/vm/drop_caches'")
    else
      prepare=(--prepare "vmtouch -qe $f")
    fi
    label="$(basename "$f" .las), $cache"
    echo
    echo "== $label"
    hyperfine -N --style basic --runs "$runs" "${prepare[@]}" --export-json "$scratch/t.json" \
      -n Quillfen "$quillfen $f" -n dd "dd if=$f of=/dev/null bs=1M"
    rows+=("$(jq -r --arg name "$label" "$table_row" "$scratch/t.json")")
  done
done

# Peak resident memory of a small and a large file, both in the page cache.
memory=()
for f in "${files[2]}" "${files[0]}"; do
  /usr/bin/time -f %M -o "$scratch/kib" "$quillfen" "$f" >/dev/null
  memory+=("$(basename "$f" .las): $(cat "$scratch/kib") KiB")
done

for f in "${files[@]}"; do "$stale_las" check "$f"; done
echo
echo "| file, page cache | Quillfen median [s] | dd median [s] | ratio | Quillfen 2nd slowest [s] | dd 2nd slowest [s] | ratio |"
echo "|---|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
echo
echo "Quillfen's peak resident memory: ${memory[0]}, ${memory[1]}"
echo "Every header was checked against the records after the runs."
