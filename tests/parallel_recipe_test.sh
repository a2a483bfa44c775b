#!/usr/bin/env bash
# The README's recipe for many files (section "Many files, many machines": find, GNU parallel,
# varnoke-las), run as written but for the chunks, of 3 files instead of 1000 so that several
# processes share the list, and for the varnoke-las of BUILD_DIR. Every file is judged once, in
# the order find lists it, names with spaces and newlines included; parallel exits with the number
# of chunks that failed. Then the same with check --json, the chunks' JSON Lines sorted by path with jq.
#
#   tests/parallel_recipe_test.sh BUILD_DIR
test_name="parallel recipe test"
source "$(dirname "$0")/script_setup.sh" "$1"

recipe=$(awk '/^## / { inside = ($0 == "## Many files, many machines"); next }
    inside && /^    / { sub(/^    /, ""); print }' "$source_dir/README.md" | grep -v '^folder=')
[[ $recipe == *' -N 1000 '*'build/tool/varnoke-las repair '* ]] || fail "no recipe in the README"
recipe=${recipe/ -N 1000 / -N 3 }
recipe=${recipe/build\/tool\/varnoke-las/$build/tool/varnoke-las}

# Eight files, two of them stale (their count says 0, they hold one record).
folder=$scratch/deliveries
mkdir -p "$folder/sub"
names=(one.las 'with space.las' $'new\nline.LAS' sub/a.las sub/b.las sub/c.las sub/stale.las stale.las)
for name in "${names[@]}"; do cp "$testdata/1.2_0.las" "$folder/$name"; done
chmod -R u+w "$folder"
for name in stale.las sub/stale.las; do
    printf '\x00' | dd of="$folder/$name" bs=1 seek=107 conv=notrunc status=none
done

# What the recipe must print: a line per file in the order of find. The first and the last file
# listed are made refused: they fall in two chunks of three, which fail, but in one without
# chunks.
mapfile -d '' listed < <(find "$folder" -type f -iname '*.las' -print0)
((${#listed[@]} == 8)) || fail "find listed ${#listed[@]} files"
refused=("${listed[0]}" "${listed[7]}")
failed_chunks=2
for file in "${refused[@]}" "$scratch/bad.las"; do printf 'not a LAS file' >"$file"; done
# The refusal's sentence is the library's.
reason=$("$build/tool/varnoke-las" check --quiet "$scratch/bad.las") || true
reason=${reason#"refused $scratch/bad.las: "}
outcome() {
    if [[ $1 == "${refused[0]}" || $1 == "${refused[1]}" ]]; then
        echo refused
    elif [[ $1 == */stale.las ]]; then
        echo repaired
    else
        echo ok
    fi
}
# A name with a newline is shown quoted, as ls --quoting-style=shell-escape shows it.
shown() {
    if [[ $1 == *$'\n'* ]]; then
        printf "'%s'\$'\\\\n''%s'" "${1%%$'\n'*}" "${1#*$'\n'}"
    else
        printf %s "$1"
    fi
}
# Its one record has return number 2 of 0 returns: a warning, never written.
warning="; warnings: 1 point of return number above number of returns"
expected=
for file in "${listed[@]}"; do
    case $(outcome "$file") in
        refused) expected+="refused $(shown "$file"): $reason"$'\n' ;;
        repaired) expected+="repaired $(shown "$file"): records 0 -> 1$warning"$'\n' ;;
        ok) expected+="ok $(shown "$file")$warning"$'\n' ;;
    esac
done
status=0
eval "$recipe" >"$scratch/out.txt" || status=$?
out=$(cat "$scratch/out.txt"; echo .)
out=${out%.}
[[ $out == "$expected" ]] || fail "the recipe printed"$'\n'"$out"$'\n'"instead of"$'\n'"$expected"
((status == failed_chunks)) || fail "parallel exited with $status, not $failed_chunks"

# Repaired: now every file but the refused one is right, and JSON Lines say so.
recipe=${recipe/ repair --quiet / check --quiet --json }
status=0
eval "$recipe" >"$scratch/out.jsonl" || status=$?
((status == failed_chunks)) || fail "check: parallel exited with $status, not $failed_chunks"
sorted=$(jq -c -s 'sort_by(.path)[] | [.path, .result]' "$scratch/out.jsonl")
expected=$(printf '%s\0' "${listed[@]}" | LC_ALL=C sort -z | while IFS= read -r -d '' path; do
    result=$(outcome "$path")
    [[ $result == repaired ]] && result=ok
    jq -c -n --arg path "$path" --arg result "$result" '[$path, $result]'
done)
[[ $sorted == "$expected" ]] || fail "the JSON Lines, sorted by path:"$'\n'"$sorted"
echo "parallel recipe test passed (${#listed[@]} files in chunks of 3)"
