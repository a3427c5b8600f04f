# Bash completion for blipnote-cli: commands, options, the host list's nicknames
# and groups for send, note files for show.

# The nicknames and "Group NAME" of the host list, one per line.
_blipnote_cli_recipients()
{
    local line
    "${1:-blipnote-cli}" hosts 2>/dev/null | while IFS= read -r line; do
        [[ $line =~ \"nickname\":\"(([^\"\\]|\\.)*)\" ]] && printf '%s\n' "${BASH_REMATCH[1]}"
        [[ $line =~ \"group\":\"(([^\"\\]|\\.)*)\" ]] && printf 'Group %s\n' "${BASH_REMATCH[1]}"
    done | sort -u
}

_blipnote_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command=${COMP_WORDS[1]} options candidate
    COMPREPLY=()
    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W 'listen send hosts show fingerd seek --help --version' -- "$cur"))
        return
    fi
    case $prev in
    --save-dir)
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return
        ;;
    -p | --port | --delay | --parallel | --text | --nick | --system | --title)
        return
        ;;
    esac
    case $command in
    listen) options='--port --save-dir --help' ;;
    send) options='--port --text --nick --system --title --priority --delay --single --help' ;;
    fingerd) options='--port --help' ;;
    seek) options='--port --parallel --help' ;;
    *) options='--help' ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    case $command in
    send)
        # Names are taken as they are: never split, expanded or run.
        local -a candidates
        mapfile -t candidates < <(_blipnote_cli_recipients "${COMP_WORDS[0]}")
        for candidate in "${candidates[@]}"; do
            [[ $candidate == "$cur"* ]] && COMPREPLY+=("$(printf '%q' "$candidate")")
        done
        ;;
    show)
        mapfile -t COMPREPLY < <(compgen -f -X '!*.bn[io]' -- "$cur"; compgen -d -- "$cur")
        compopt -o filenames 2>/dev/null
        ;;
    esac
}

complete -F _blipnote_cli blipnote-cli
