#!/bin/bash
# The bash completion of blipnote-cli, asked as the shell asks it: commands,
# options, the nicknames and groups of a host list for send, note files for show,
# commands for help.
#   completion_test.sh BLIPNOTE_CLI COMPLETION_SCRIPT
set -u
cli=$(realpath "$1")
source "$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Tessaro" "$work/notes/sub"
cat > "$work/Tessaro/Blipnote.conf" <<'CONF'
[Hosts]
Host%200=ann/$0127.0.0.2/$1lab/$2
Host%201=anna/$0127.0.0.3/$1lab/$2
Host%202=bob/$0127.0.0.4/$1front desk/$2
Host%203=*/$0127.0.0.5/$1default/$2
Host%204=$(touch pwned)/$0127.0.0.6/$1default/$2
Host%205=a\"b/$0127.0.0.7/$1g\\h\\i/$2
CONF
touch "$work/notes/lunch.bni" "$work/notes/draft.bno" "$work/notes/OLD.BNI" "$work/notes/other.txt"
export XDG_CONFIG_HOME=$work
failures=0

# Completes the words as typed (the last one being completed) and checks the
# candidates, sorted, against the expected ones.
expect() {
    local expected=$1
    shift
    COMP_WORDS=("$cli" "$@")
    COMP_CWORD=$#
    _blipnote_cli
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd'|')
    if [[ $got != "$expected" ]]; then
        echo "FAILED: '$*' gave '$got', expected '$expected'"
        failures=$((failures + 1))
    fi
}

expect 'seek|send|show' s
expect 'listen' l
expect 'seek|send|show' help s
expect '' help send ''
expect '--parallel|--port' seek --p
expect '' send --text ""
expect '--wait-up' send --w
expect '10m|1h|30s' send --wait-up ''
expect 'Group\ default|Group\ front\ desk|Group\ g\\h\\i|Group\ lab' send Gro
expect 'bob' send ann b
# What is offered names the host as the shell reads it, and a word typed with a
# quote or a backslash goes on completing.
expect 'a\"b|ann|anna' send a
expect 'Group\ front\ desk' send 'Group\ f'
expect 'Group\ front\ desk' send '"Group f'
expect 'Group\ g\\h\\i' send 'Group\ g' 
# Names that a shell would expand or run are offered as they are, quoted.
cd "$work/notes"
expect '\*' send '*'
expect '\$\(touch\ pwned\)' send '$'
[[ -e pwned ]] && { echo "FAILED: a nickname was run"; failures=$((failures + 1)); }
cd - >/dev/null
expect "$work/notes/OLD.BNI|$work/notes/draft.bno|$work/notes/lunch.bni|$work/notes/sub" show "$work/notes/"
expect "$work/notes/sub" listen --save-dir "$work/notes/"
expect "$work/notes/OLD.BNI|$work/notes/draft.bno|$work/notes/lunch.bni|$work/notes/sub" import "$work/notes/"
expect "in|out" history --direction ''
expect "$work/notes/sub" listen --save-dir = "$work/notes/"

# Every command the tool's help lists is completed, and nothing else is (but
# the two options).
commands=$("$cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z]*\) .*/\1/p')
[[ -n $commands ]] || { echo "FAILED: the help lists no command"; failures=$((failures + 1)); }
expect "$(printf '%s\n' $commands --help --version | sort | paste -sd'|')" ''

if ((failures)); then
    exit 1
fi
echo "completion: all candidates as expected"
