#!/usr/bin/env bash
# The bash completion of dalvex-cli, as bash runs it: sourced into a plain bash (no bash-completion
# package), then asked for the words at the end of a command line.
#   completion_test.sh COMPLETION_FILE DALVEX_CLI
set -uo pipefail
completion=$(realpath "$1")
cli=$(realpath "$2")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/ports" "$work/files/sub"
ln -s /dev/null "$work/ports/com3"
ln -s /dev/null "$work/ports/COM12"
ln -s /dev/null "$work/ports/comX"
touch "$work/files/"{a.dat,B.DAT,c.dat.gz,m.wav,l.csv,n.json,notes.txt}
mkdir -p "$work/bin"
ln -s "$cli" "$work/bin/dalvex-cli"

failures=0

# Sources the completion in a fresh bash and prints what it offers for the words, sorted, one a
# line. Words are given as they are on the command line; the last is the one being completed.
complete_words() {
    (
        cd "$work/files" || exit 1
        PATH="$work/bin:$PATH" DALVEX_PORTS="$work/ports" bash --norc --noprofile -c '
            source "$1" || exit 1
            shift
            COMP_WORDS=("$@")
            COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
            COMP_LINE="$*"
            COMP_POINT=${#COMP_LINE}
            _dalvex_cli
            printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@" | sed '/^$/d' | LC_ALL=C sort
    )
}

# A COM name whose fixed device (COM1-16 /dev/ttyUSB0-15, COM17-32 /dev/ttyACM0-15) is present on
# this machine: offered beside the links, so left out of the comparisons.
present_adapter() {
    local n=${1#COM}
    [[ $n =~ ^[0-9]+$ ]] || return 1
    ((n >= 1 && n <= 16)) && [[ -e /dev/ttyUSB$((n - 1)) ]] && return 0
    ((n >= 17 && n <= 32)) && [[ -e /dev/ttyACM$((n - 17)) ]] && return 0
    return 1
}

# expect "WORDS" "OFFERS": what the completion offers for the words (separated by spaces; "''" is
# an empty last word) is exactly OFFERS, apart from the COM names of adapters present.
expect() {
    local -a words
    read -r -a words <<<"$1"
    [[ ${words[-1]} == "''" ]] && words[-1]=
    local got= want word
    for word in $(complete_words "${words[@]}"); do
        present_adapter "$word" || got+="$word "
    done
    got=${got% }
    want=$(tr ' ' '\n' <<<"$2" | sed '/^$/d' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
    if [[ $got != "$want" ]]; then
        echo "FAIL: $1"
        echo "  offered:  $got"
        echo "  expected: $want"
        failures=$((failures + 1))
    fi
}

# Sourcing says nothing, and completion is registered for the program.
out=$(bash --norc --noprofile -c 'source "$1" && complete -p dalvex-cli' _ "$completion" 2>&1)
if [[ $out != "complete -F _dalvex_cli dalvex-cli" ]]; then
    echo "FAIL: sourcing the completion: $out"
    failures=$((failures + 1))
fi

common="--port --baud --timeout --quiet --trace --help --version"
expect "dalvex-cli pr" "probe"
expect "dalvex-cli er" "erase-history"
expect "dalvex-cli --port COM2 --quiet se" "send"
expect "dalvex-cli --port = COM1 v" "voice"
expect "dalvex-cli voice --" "--slot --force $common"
expect "dalvex-cli read -" "-o --contact-id $common"
expect "dalvex-cli --" "$common"
expect "dalvex-cli --port ''" "COM3 COM12"
expect "dalvex-cli --port co" "COM3 COM12"
expect "dalvex-cli probe --port = COM1" "COM12"
expect "dalvex-cli send ''" "a.dat B.DAT c.dat.gz sub"
expect "dalvex-cli voice --slot 2 ''" "m.wav sub"
expect "dalvex-cli voice --slot ''" "1 2 3 4 5 6 7"
expect "dalvex-cli read -o ''" "a.dat B.DAT sub"
expect "dalvex-cli log --output ''" "l.csv sub"
expect "dalvex-cli send --contact-id ''" "yes no"
expect "dalvex-cli --baud 1152" "115200"
expect "dalvex-cli --timeout ''" ""
expect "dalvex-cli clock ''" ""
expect "dalvex-cli --trace n" "n.json notes.txt"
expect "dalvex-cli send --changed-since ''" "a.dat B.DAT c.dat.gz sub"
expect "dalvex-cli send --" "--no-clock --contact-id --force --changed-since --again $common"
expect "dalvex-cli send --again ''" ""
expect "dalvex-cli export -o ''" "n.json sub"
expect "dalvex-cli import ''" "n.json sub"
expect "dalvex-cli import n.json -o ''" "a.dat B.DAT sub"
expect "dalvex-cli diff --" "--json --lang --type $common"
expect "dalvex-cli sheet --paper ''" "a4 letter"
expect "dalvex-cli sheet --lang c" "cs"

# Every command offered is one the program knows: with too many file arguments a known command
# stops at the argument count, an unknown one at its name, before any port is touched.
offered=$(complete_words dalvex-cli '')
if [[ -z $offered ]]; then
    echo "FAIL: no command offered"
    failures=$((failures + 1))
fi
for command in $offered; do
    err=$(DALVEX_PORTS="$work/ports" "$cli" "$command" x1 x2 x3 x4 x5 2>&1 >/dev/null)
    if [[ $err == *"unknown command"* || $err != *"file argument"* ]]; then
        echo "FAIL: dalvex-cli does not know the offered command $command: $err"
        failures=$((failures + 1))
    fi
done

if ((failures)); then
    echo "$failures completion check(s) failed"
    exit 1
fi
echo "completion checks passed"
