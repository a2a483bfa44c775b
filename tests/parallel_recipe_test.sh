#!/usr/bin/env bash
# The README's recipe for many files (section "Many files, many machines": find, GNU parallel,
# varnoke-las), run as written but for the chunks, of 3 files instead of 1000 so that several
# processes share the list, and for the varnoke-las of BUILD_DIR. Every file is judged once, in
# the order find lists it, names with spaces and newlines included; parallel exits with the number
# of chunks that failed. Then the same with check --json, the chunks' JSON Lines sorted by path with jq.
# Last, where sshd is installed and the test may start it, the repair again on this machine and
# on a second one reached through ssh on the loopback, as the README adds machines.
#
#   tests/parallel_recipe_test.sh BUILD_DIR
test_name="parallel recipe test"
# shellcheck source=script_setup.sh
source "$(dirname "$0")/script_setup.sh" "$1"

recipe=$(awk '/^## / { inside = ($0 == "## Many files, many machines"); next }
    inside && /^    / { sub(/^    /, ""); print }' "$source_dir/README.md" | grep -v '^folder=')
[[ $recipe == *'varnoke=$PWD/build/tool/varnoke-las'*' -N 1000 --sshlogin : '*'"$varnoke" repair '* ]] ||
    fail "no recipe in the README"
recipe=${recipe/ -N 1000 / -N 3 }
recipe=${recipe/\$PWD\/build/$build}

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
# A name with a space or a newline is shown quoted, as ls --quoting-style=shell-escape shows it.
shown() {
    ls -d --quoting-style=shell-escape -- "$1"
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
repair_lines=$expected
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

# A second machine: sshd on the loopback, started here with keys of its own, reached as this
# user; the recipe's --sshlogin gains it as the README says.
sshd=$(command -v sshd || echo /usr/sbin/sshd)
if [[ ! -x $sshd ]]; then
    echo "parallel recipe test passed (${#listed[@]} files in chunks of 3); the recipe over ssh was" \
        "not run: no sshd (Debian's openssh-server)"
    exit 0
fi
ssh-keygen -q -t ed25519 -N '' -f "$scratch/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$scratch/user_key"
cp "$scratch/user_key.pub" "$scratch/authorized_keys"
[[ $(id -u) == 0 ]] && mkdir -p /run/sshd
started=
for port in $((20000 + RANDOM % 20000)) $((20000 + RANDOM % 20000)) $((20000 + RANDOM % 20000)); do
    cat >"$scratch/sshd_config" <<CONFIG
Port $port
ListenAddress 127.0.0.1
HostKey $scratch/host_key
AuthorizedKeysFile $scratch/authorized_keys
PidFile $scratch/sshd.pid
StrictModes no
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
PermitRootLogin prohibit-password
CONFIG
    if "$sshd" -f "$scratch/sshd_config" -E "$scratch/sshd.log"; then
        started=$port
        break
    fi
done
[[ -n $started ]] || fail "sshd did not start: $(cat "$scratch/sshd.log" 2>/dev/null)"
trap 'kill "$(cat "$scratch/sshd.pid" 2>/dev/null)" 2>/dev/null; rm -rf "$scratch"' EXIT
ssh_command="ssh -p $started -i $scratch/user_key -o BatchMode=yes -o StrictHostKeyChecking=no"
ssh_command+=" -o UserKnownHostsFile=/dev/null -o LogLevel=ERROR"
for _ in 1 2 3 4 5 6 7 8 9 10; do
    $ssh_command 127.0.0.1 true 2>/dev/null && break
    sleep 0.5
done
$ssh_command 127.0.0.1 true || fail "no ssh to 127.0.0.1:$started: $(cat "$scratch/sshd.log")"

# The stale files stale again, the refused ones as they were; the same lines as before, whichever
# machine judged them.
for name in stale.las sub/stale.las; do
    printf '\x00' | dd of="$folder/$name" bs=1 seek=107 conv=notrunc status=none
done
recipe=${recipe/ check --quiet --json / repair --quiet }
recipe=${recipe/ --sshlogin : / --sshlogin :,127.0.0.1 --ssh \"\$ssh_command\" }
status=0
eval "$recipe" >"$scratch/out.txt" 2>"$scratch/err.txt" || status=$?
out=$(cat "$scratch/out.txt"; echo .)
out=${out%.}
expected=$repair_lines
[[ $out == "$expected" ]] ||
    fail "over ssh the recipe printed"$'\n'"$out"$'\n'"$(cat "$scratch/err.txt")"$'\n'"instead of"$'\n'"$expected"
((status == failed_chunks)) || fail "over ssh parallel exited with $status, not $failed_chunks"
grep -q 'Accepted publickey' "$scratch/sshd.log" || fail "no chunk went through ssh"
echo "parallel recipe test passed (${#listed[@]} files in chunks of 3, on this machine and over ssh)"
