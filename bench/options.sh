# shellcheck shell=bash disable=SC2154
# (usage_text, value_options and flag_options are set by the script that sources this file.)
# The option parser of the benchmark scripts, sourced with their arguments. The script sets first
# `usage_text`, its defaults, `value_options` (options that take a value: each sets the variable
# of its name) and `flag_options` (each sets its variable to 1); the one other argument is the
# build folder, left in `build`.
usage() { printf '%s\n' "$usage_text"; }
build=''
while (($#)); do
  case $1 in
    -h | --help) usage; exit 0 ;;
    --*)
      if [[ " $value_options " == *" ${1#--} "* ]] && (($# > 1)); then
        declare "${1#--}=$2"
        shift
      elif [[ " $flag_options " == *" ${1#--} "* ]]; then
        declare "${1#--}=1"
      else
        usage >&2
        exit 2
      fi ;;
    -*) usage >&2; exit 2 ;;
    *) [[ -z $build ]] || { usage >&2; exit 2; }; build=$1 ;;
  esac
  shift
done
[[ -n $build ]] || { usage >&2; exit 2; }
