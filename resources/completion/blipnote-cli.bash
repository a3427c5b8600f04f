# Bash completion for blipnote-cli: commands, options, the host list's nicknames
# and groups for send, note files for show, commands for help.

# A JSON string's text without its escapes.
_blipnote_cli_unescape()
{
    local text=$1 out= c
    while [[ $text == *\\* ]]; do
        out+=${text%%\\*}
        text=${text#*\\}
        c=${text:0:1}
        text=${text:1}
        case $c in
        n) out+=$'\n' ;;
        t) out+=$'\t' ;;
        r) out+=$'\r' ;;
        b) out+=$'\b' ;;
        f) out+=$'\f' ;;
        u)
            if [[ ${text:0:4} =~ ^[0-9a-fA-F]{4}$ ]]; then
                printf -v c '%b' "\\u${text:0:4}"
                text=${text:4}
            fi
            out+=$c
            ;;
        *) out+=$c ;; # \" \\ \/
        esac
    done
    REPLY=$out$text
}

# The nicknames and "Group NAME" of the host list, one per line.
_blipnote_cli_recipients()
{
    local line
    "${1:-blipnote-cli}" hosts 2>/dev/null | while IFS= read -r line; do
        if [[ $line =~ \"nickname\":\"(([^\"\\]|\\.)*)\" ]]; then
            _blipnote_cli_unescape "${BASH_REMATCH[1]}"
            printf '%s\n' "$REPLY"
        fi
        if [[ $line =~ \"group\":\"(([^\"\\]|\\.)*)\" ]]; then
            _blipnote_cli_unescape "${BASH_REMATCH[1]}"
            printf 'Group %s\n' "$REPLY"
        fi
    done | sort -u
}

# The word being completed as the shell will read it: without its quotes and
# backslashes ("Group\ l" is Group l).
_blipnote_cli_dequote()
{
    local word=$1 out=
    case $word in
    \'*) REPLY=${word:1} ;;
    \"*) REPLY=${word:1} ;;
    *)
        while [[ $word == *\\* ]]; do
            out+=${word%%\\*}
            word=${word#*\\}
            out+=${word:0:1}
            word=${word:1}
        done
        REPLY=$out$word
        ;;
    esac
}

_blipnote_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command=${COMP_WORDS[1]} options candidate
    local commands='listen send hosts show fingerd seek browse history import help'
    COMPREPLY=()
    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi
    # "--save-dir=DIR" reaches here as three words.
    if [[ $prev == = && ${COMP_WORDS[COMP_CWORD - 2]} == --save-dir ]]; then
        prev=--save-dir
    fi
    case $prev in
    --save-dir)
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return
        ;;
    --direction)
        COMPREPLY=($(compgen -W "in out" -- "$cur"))
        return
        ;;
    --wait-up)
        COMPREPLY=($(compgen -W "30s 10m 1h" -- "$cur"))
        return
        ;;
    -p | --port | --address | --delay | --parallel | --text | --nick | --system | --title | \
        --search | --host | --since | --limit)
        return
        ;;
    esac
    case $command in
    listen) options='--port --address --save-dir --history --announce --help' ;;
    browse) options='--watch --help' ;;
    send) options='--port --text --nick --system --title --priority --delay --single --wait-up --help' ;;
    fingerd) options='--port --address --help' ;;
    seek) options='--port --parallel --help' ;;
    history) options='--search --host --since --limit --direction --help' ;;
    *) options='--help' ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    case $command in
    help)
        if ((COMP_CWORD == 2)); then
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        ;;
    send)
        # Names are taken as they are: never split, expanded or run.
        local -a candidates
        local prefix quoted
        _blipnote_cli_dequote "$cur"
        prefix=$REPLY
        mapfile -t candidates < <(_blipnote_cli_recipients "${COMP_WORDS[0]}")
        for candidate in "${candidates[@]}"; do
            if [[ $candidate == "$prefix"* ]]; then
                printf -v quoted '%q' "$candidate"
                COMPREPLY+=("$quoted")
            fi
        done
        ;;
    show | import)
        mapfile -t COMPREPLY < <(compgen -f -X '!*.[bB][nN][iIoO]' -- "$cur"; compgen -d -- "$cur")
        compopt -o filenames 2>/dev/null
        ;;
    esac
}

complete -F _blipnote_cli blipnote-cli
