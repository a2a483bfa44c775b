# shellcheck shell=bash disable=SC2034,SC2154
# (test_name is set, and build, testdata and the rest are used, by the script that sources this file.)
# Sourced by the shell tests that take a build directory: sets build, source_dir, testdata and a
# scratch directory removed on exit, and defines fail, which prefixes its message with
# $test_name.
#
#   test_name="install test"; source "$(dirname "$0")/script_setup.sh" BUILD_DIR
set -euo pipefail

build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
testdata=$source_dir/tests/data
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "$test_name: $*" >&2
    exit 1
}
