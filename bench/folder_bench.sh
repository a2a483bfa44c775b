#!/usr/bin/env bash
# The folder benchmark of varnoke-las, timed with hyperfine: many small files beside the old
# recipe (find, xargs, one Quillfen per file) and `cat`; one large file beside Quillfen; eight
# files beside `cat`, warm and cold; LAS 1.4 beside LAS 1.2; and the peak memory by --jobs
# (doc/BENCHMARKS.md). Every header is repaired at the end and checked by stale_las.
set -euo pipefail

usage_text='usage: bench/folder_bench.sh [options] BUILD_DIR
  --runs N     timed runs of each command (default 5)
  --small N    how many files of 64 KiB (default 10000)
  --mib N      size of the large files in MiB (default 1024; the eight files take N/4 each)
  --dir DIR    where the files are written (made if missing; default BUILD_DIR/bench-folders)
  --keep       keep the files afterwards
The files take 7 x N MiB (N at least 4) and 128 KiB per thousand small files (7 GiB by default).
Needs hyperfine, jq and /usr/bin/time; cold runs empty the page cache with drop_caches (root) or
evict the files with vmtouch -e.'
runs=5 small=10000 mib=1024 dir='' keep=''
value_options='runs small mib dir' flag_options='keep'
# shellcheck source=options.sh
source "$(dirname "$0")/options.sh"
for tool in hyperfine jq /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "folder_bench: $tool is missing" >&2; exit 1; }
done
stale_las=$build/bench/stale_las
varnoke_las=$build/tool/varnoke-las
quillfen=$build/tool/Quillfen
dir=${dir:-$build/bench-folders}
mkdir -p "$dir"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"; [[ -n $keep ]] || rm -rf "$dir"' EXIT

# The small files: one written, the others copies of it under their own names.
mkdir -p "$dir/small" "$dir/small-copies" "$dir/eight" "$dir/one" "$dir/las14"
"$stale_las" write "$dir/small/f00000.las" 1 64k 1
for ((k = 1; k < small; ++k)); do printf '%s\n' "$(printf 'f%05d.las' "$k")"; done |
  (cd "$dir/small" && xargs -n 1000 sh -c 'for f; do cp f00000.las "$f"; done' sh)
cp -r "$dir/small/." "$dir/small-copies/"
for k in 1 2 3 4 5 6 7 8; do "$stale_las" write "$dir/eight/f$k.las" $((k % 4)) $((mib / 4)) "$k"; done
for spec in 11:one/format1:1 12:las14/format1-1.2:1 13:las14/format6-1.4:6 14:las14/format3-1.2:3 15:las14/format7-1.4:7; do
  IFS=: read -r seed path format <<<"$spec" && "$stale_las" write "$dir/$path.las" "$format" "$mib" "$seed"
done

# Seconds with three decimals: "| name | median | command: median (ratio to the first) ... |".
row='def f: (. * 1000 | round) as $m | "\($m / 1000 | floor).\("00\($m % 1000)"[-3:])";
  .results as $r | "| \($name) | " + ([$r[] | "\(.command) \(.median | f) s (\(.median / $r[0].median | f))"] | join(" | ")) + " |"'
rows=()
# time NAME PREPARE COMMAND... : one hyperfine comparison, the first command the yardstick.
time_row() {
  local name=$1 prepare=$2
  shift 2
  local args=()
  for command in "$@"; do args+=(-n "${command%%=*}" "${command#*=}"); done
  # Without a shell where no command needs one, so that its start is not timed.
  [[ "$*" == *['|>']* ]] || args+=(-N)
  echo
  echo "== $name"
  if [[ $prepare == warm ]]; then
    hyperfine --style basic --ignore-failure --runs "$runs" --warmup 1 --export-json "$scratch/t.json" "${args[@]}"
  elif ((EUID == 0)); then
    hyperfine --style basic --ignore-failure --runs "$runs" --prepare "sh -c 'sync; echo 3 > /proc/sys/vm/drop_caches'" \
      --export-json "$scratch/t.json" "${args[@]}"
  else
    hyperfine --style basic --ignore-failure --runs "$runs" --prepare "vmtouch -qe $prepare" \
      --export-json "$scratch/t.json" "${args[@]}"
  fi
  rows+=("$(jq -r --arg name "$name" "$row" "$scratch/t.json")")
}

recipe="find $dir/small-copies -type f -iname '*.las' -print0 | xargs -0 -P $(nproc) -n 1 sh -c 'out=\$($quillfen \"\$1\") || { printf \"FAILED %s\\n%s\\n\" \"\$1\" \"\$out\"; exit 1; }' sh"
time_row "$small files of 64 KiB" warm \
  "cat=find $dir/small -type f -print0 | xargs -0 cat > /dev/null" \
  "varnoke-las=$varnoke_las check --quiet $dir/small" \
  "find-xargs-Quillfen=$recipe"
time_row "one file of $mib MiB" warm \
  "Quillfen=$quillfen $dir/one/format1.las" \
  "varnoke-las=$varnoke_las check --quiet $dir/one/format1.las"
time_row "8 files of $((mib / 4)) MiB" warm \
  "cat=cat $dir/eight/f1.las $dir/eight/f2.las $dir/eight/f3.las $dir/eight/f4.las $dir/eight/f5.las $dir/eight/f6.las $dir/eight/f7.las $dir/eight/f8.las" \
  "varnoke-las=$varnoke_las check --quiet $dir/eight"
time_row "8 files of $((mib / 4)) MiB, cold" "$dir/eight" \
  "cat=cat $dir/eight/f1.las $dir/eight/f2.las $dir/eight/f3.las $dir/eight/f4.las $dir/eight/f5.las $dir/eight/f6.las $dir/eight/f7.las $dir/eight/f8.las" \
  "varnoke-las=$varnoke_las check --quiet $dir/eight"
time_row "$mib MiB, LAS 1.2 format 1 and LAS 1.4 format 6" warm \
  "1.2-format1=$varnoke_las check --quiet $dir/las14/format1-1.2.las" \
  "1.4-format6=$varnoke_las check --quiet $dir/las14/format6-1.4.las"
time_row "$mib MiB, LAS 1.2 format 3 and LAS 1.4 format 7" warm \
  "1.2-format3=$varnoke_las check --quiet $dir/las14/format3-1.2.las" \
  "1.4-format7=$varnoke_las check --quiet $dir/las14/format7-1.4.las"

memory=()
for jobs in 1 2 4; do
  for what in small eight; do
    /usr/bin/time -q -f %M -o "$scratch/kib" "$varnoke_las" check --quiet --jobs "$jobs" "$dir/$what" >/dev/null || true
    memory+=("$what, $jobs jobs: $(cat "$scratch/kib") KiB")
  done
done

# The checks: every header repaired by varnoke-las is right by stale_las's own reading.
"$varnoke_las" repair --quiet "$dir" >/dev/null
for f in "$dir"/small/f00000.las "$dir"/eight/*.las "$dir"/one/*.las "$dir"/las14/*.las; do
  "$stale_las" check "$f"
done

echo
echo "| files | yardstick | others (ratio to the yardstick) |"
echo "|---|---|---|"
printf '%s\n' "${rows[@]}"
echo
echo "varnoke-las peak resident memory: $(IFS=';'; echo "${memory[*]}")"
echo "Every repaired header was checked against its records."
