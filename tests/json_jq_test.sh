#!/usr/bin/env bash
# The JSON Lines of varnoke-las as a user filters them with jq: flags are true and false, values
# not learned are null, every object names its layout; and the summary line on standard error
# counts the files with warnings.
#
#   tests/json_jq_test.sh BUILD_DIR
test_name="JSON with jq test"
# shellcheck source=script_setup.sh
source "$(dirname "$0")/script_setup.sh" "$1"
tool=$build/tool/varnoke-las

folder=$scratch/deliveries
mkdir -p "$folder"
cp "$testdata/las13-14/1_4_w_evlr.las" "$folder/a-right.las"        # right, no warning
cp "$testdata/laz/simple.copc.laz" "$folder/b-copc.laz"             # legacy counts set
cp "$testdata/1.2-with-color-clipped.las" "$folder/c-cut.las"       # truncated, no CRS
cp "$testdata/las13-14/simple1_3.las" "$folder/d-stale.las"         # stale, GeoKeys name no CRS
printf 'not a LAS file' >"$folder/e-bad.las"                        # refused
chmod -R u+w "$folder"

status=0
"$tool" check --json "$folder" >"$scratch/out.jsonl" 2>"$scratch/err.txt" || status=$?
((status == 2)) || fail "check exited with $status, not 2"
select_names() { jq -r "select($1) | .path | sub(\".*/\"; \"\")" "$scratch/out.jsonl" | tr '\n' ' '; }
check() {
    local got
    got=$(select_names "$1")
    [[ $got == "$2" ]] || fail "select($1) gave '$got', not '$2'"
}
check '.format == 2' 'a-right.las b-copc.laz c-cut.las d-stale.las e-bad.las '
check '.truncated' 'c-cut.las '
check '.stale' 'c-cut.las d-stale.las '
check '.count_uncertain' ''
check '.warnings | length > 0' 'b-copc.laz c-cut.las d-stale.las '
check 'any(.warnings[]; .code == "legacy_counts_set")' 'b-copc.laz '
check '.version == null' 'e-bad.las '
check '.records == null and .box == null and .stale == null' 'e-bad.las '
check '.box.max_x < 0 and .point_format == 4' 'd-stale.las '
check '.crs.epsg == 2991' 'b-copc.laz '
check '.written' ''

summary=$(cat "$scratch/err.txt")
[[ $summary =~ ^varnoke-las:\ 5\ files:\ 2\ ok,\ 1\ stale,\ 0\ repaired,\ 1\ truncated,\ 1\ refused,\ 3\ with\ warnings\ in\ [0-9]+\.[0-9][0-9]\ s$ ]] ||
    fail "the summary line: $summary"

# With --strict the COPC file's legacy counts make it stale, and the warning is gone.
"$tool" check --strict --json --quiet "$folder/b-copc.laz" >"$scratch/out.jsonl" && fail "check --strict exited with 0"
check '.stale and (.warnings | length == 0)' 'b-copc.laz '
echo "JSON with jq test passed"
