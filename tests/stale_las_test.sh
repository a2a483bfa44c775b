#!/usr/bin/env bash
# The update benchmark's check must tell a right header from a wrong one: it passes a file that
# Quillfen repaired, and fails the stale file and every alteration of the repaired one below.
# usage: stale_las_test.sh STALE_LAS QUILLFEN
set -euo pipefail
stale_las=$1 quillfen=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

"$stale_las" write "$dir/stale.las" 1 1 7
cp "$dir/stale.las" "$dir/right.las"
"$quillfen" "$dir/right.las" >/dev/null
"$stale_las" check "$dir/right.las"

# what is altered | byte offset | bytes written there
cases=(
  'point count|107|\xff\xff\xff\x7f'
  'count of return 3|119|\xff\xff\xff\x7f'
  'MaxX|179|\0\0\0\0\0\0\0\0'
  'MinZ|219|\0\0\0\0\0\0\0\0'
  'file signature|0|X'
  'system identifier|26|x'
  'X scale factor, between the counts and the box|131|\0'
  'X of the first record, now above the box|227|\xff\xff\xff\x7f'
)
failed=0
for case in "${cases[@]}"; do
  IFS='|' read -r what offset bytes <<<"$case"
  cp "$dir/right.las" "$dir/altered.las"
  printf "$bytes" | dd of="$dir/altered.las" bs=1 seek="$offset" conv=notrunc status=none
  if "$stale_las" check "$dir/altered.las" 2>/dev/null; then
    echo "the check passes a file whose $what was altered" >&2
    failed=1
  fi
done
if "$stale_las" check "$dir/stale.las" 2>/dev/null; then
  echo "the check passes the stale file" >&2
  failed=1
fi
exit "$failed"
