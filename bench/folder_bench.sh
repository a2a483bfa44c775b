#!/usr/bin/env bash
# The folder benchmark of varnoke-las, on files written by bench/stale_las, all in the page cache
# unless said otherwise, timed with hyperfine:
#   many small files  N files of 64 KiB: `varnoke-las check` beside the old recipe (find, xargs
#                     and one Quillfen per file) on copies of the same files, and beside `cat` of
#                     all of them to /dev/null;
#   one large file    1 GiB: `varnoke-las check` beside Quillfen;
#   eight files       of 256 MiB: `varnoke-las check` beside `cat`, in the page cache and cold;
#   LAS 1.4           1 GiB files of point formats 6 and 7 beside LAS 1.2 files of formats 1 and
#                     3, their nearest record lengths;
# and varnoke-las's peak resident memory with 1, 2 and 4 jobs. `check` exits with 1 on the stale
# files, so exit statuses are not judged while timing. Every header is repaired by
# varnoke-las at the end and checked by stale_las.
set -euo pipefail

usage() {
  cat <<'USAGE'
usage: bench/folder_bench.sh [options] BUILD_DIR
  --runs N     timed runs of each command (default 5)
  --small N    how many files of 64 KiB (default 10000)
  --dir DIR    where the files are written (made if missing; default BUILD_DIR/bench-folders)
  --keep       keep the files afterwards
Needs hyperfine, jq and /usr/bin/time; cold runs empty the page cache with drop_caches (root) or
evict the files with vmtouch -e.
USAGE
}

runs=5 small=10000 dir='' keep='' build=''
while (($#)); do
  case $1 in
    --runs | --small | --dir)
      (($# > 1)) || { usage >&2; exit 2; }
      declare "${1#--}=$2"
      shift ;;
    --keep) keep=1 ;;
    -h | --help) usage; exit 0 ;;
    -*) usage >&2; exit 2 ;;
    *) [[ -z $build ]] || { usage >&2; exit 2; }; build=$1 ;;
  esac
  shift
done
[[ -n $build ]] || { usage >&2; exit 2; }
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
for k in 1 2 3 4 5 6 7 8; do "$stale_las" write "$dir/eight/f$k.las" $((k % 4)) 256 "$k"; done
"$stale_las" write "$dir/one/format1.las" 1 1024 11
"$stale_las" write "$dir/las14/format1-1.2.las" 1 1024 12
"$stale_las" write "$dir/las14/format6-1.4.las" 6 1024 13
"$stale_las" write "$dir/las14/format3-1.2.las" 3 1024 14
"$stale_las" write "$dir/las14/format7-1.4.las" 7 1024 15

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
time_row "one file of 1 GiB" warm \
  "Quillfen=$quillfen $dir/one/format1.las" \
  "varnoke-las=$varnoke_las check --quiet $dir/one/format1.las"
time_row "8 files of 256 MiB" warm \
  "cat=cat $dir/eight/f1.las $dir/eight/f2.las $dir/eight/f3.las $dir/eight/f4.las $dir/eight/f5.las $dir/eight/f6.las $dir/eight/f7.las $dir/eight/f8.las" \
  "varnoke-las=$varnoke_las check --quiet $dir/eight"
time_row "8 files of 256 MiB, cold" "$dir/eight" \
  "cat=cat $dir/eight/f1.las $dir/eight/f2.las $dir/eight/f3.las $dir/eight/f4.las $dir/eight/f5.las $dir/eight/f6.las $dir/eight/f7.las $dir/eight/f8.las" \
  "varnoke-las=$varnoke_las check --quiet $dir/eight"
time_row "1 GiB, LAS 1.2 format 1 and LAS 1.4 format 6" warm \
  "1.2-format1=$varnoke_las check --quiet $dir/las14/format1-1.2.las" \
  "1.4-format6=$varnoke_las check --quiet $dir/las14/format6-1.4.las"
time_row "1 GiB, LAS 1.2 format 3 and LAS 1.4 format 7" warm \
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
