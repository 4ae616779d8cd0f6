# bash completion for dalvex-cli                                   -*- shell-script -*-
#
# The commands and their options are those that `dalvex-cli --help` lists, read once per shell, so
# a command or option completes as soon as the program's help names it. Values complete from what
# they name: COM names from the ports folder and the adapters present, files by the type the
# command reads or writes. Needs nothing from the bash-completion package.

# The files a command takes, as "ARGUMENT:OUTPUT": ARGUMENT for its file argument, OUTPUT for -o,
# each the file name endings separated by "|", "*" for any file, empty for none. A command
# without a row takes any file for both.
declare -gA _dalvex_cli_file_types=(
    [send]='dat|dat.gz:'
    [voice]='wav:'
    [read]=':dat'
    [log]=':csv'
    [signal]=':csv'
    [ports]=':'
    [probe]=':'
    [clock]=':'
    [erase-history]=':'
    [firmware]=':'
    [export]='dat|dat.gz:json'
    [import]='json:dat'
    [diff]='dat|dat.gz:'
    [sheet]='dat|dat.gz:pdf'
)
# A flag that stands for a command's file argument: with it, no file is offered.
declare -gA _dalvex_cli_instead=(
    [send]='--again'
)

# The line speeds of the serial component.
_dalvex_cli_bauds='110 300 600 1200 2400 4800 9600 14400 19200 38400 56000 57600 115200 128000 256000'

# Reads the help of program $1 into _dalvex_cli_commands (the names), _dalvex_cli_options[NAME]
# (the options of a command's lines), _dalvex_cli_common (the options of every command) and
# _dalvex_cli_valued (the options that take a value: in the help, followed by one space and a
# value word).
_dalvex_cli_read_help() {
    [[ ${_dalvex_cli_help_of-} == "$1" ]] && return 0
    _dalvex_cli_help_of=$1
    _dalvex_cli_commands=()
    declare -gA _dalvex_cli_options=()
    _dalvex_cli_common=
    _dalvex_cli_valued=
    local line section= command= rest option
    local option_re='(^|[][ |(])(--?[a-z][a-z0-9-]*)( [^][ |-])?'
    while IFS= read -r line; do
        case $line in
        commands:) section=commands command= && continue ;;
        options:) section=options && continue ;;
        '') section= && continue ;;
        esac
        [[ -n $section ]] || continue
        # A command may have several lines ("send FILE.dat", "send --again"): named once.
        if [[ $section == commands && $line =~ ^\ \ ([a-z][a-z0-9-]*) ]]; then
            command=${BASH_REMATCH[1]}
            [[ " ${_dalvex_cli_commands[*]} " == *" $command "* ]] || _dalvex_cli_commands+=("$command")
        fi
        rest=$line
        while [[ $rest =~ $option_re ]]; do
            option=${BASH_REMATCH[2]}
            [[ -n ${BASH_REMATCH[3]} ]] && _dalvex_cli_valued+=" $option"
            if [[ $section == options ]]; then
                _dalvex_cli_common+=" $option"
            elif [[ -n $command && "${_dalvex_cli_options[$command]-} " != *" $option "* ]]; then
                _dalvex_cli_options[$command]+=" $option"
            fi
            rest=${rest#*"${BASH_REMATCH[0]}"}
        done
    done < <("$1" --help 2>/dev/null)
    _dalvex_cli_valued+=' '
}

# The COM names that stand for something: the links of the ports folder, and the USB and ACM
# adapters present (COM1-16 are /dev/ttyUSB0-15, COM17-32 /dev/ttyACM0-15).
_dalvex_cli_ports() {
    local folder=${DALVEX_PORTS:-${XDG_CONFIG_HOME:-$HOME/.config}/GSM/Dalvex/ports}
    local -A seen=()
    local names=() path n
    for path in "$folder"/[cC][oO][mM]*; do
        [[ -e $path || -L $path ]] || continue
        n=${path##*/}
        n=${n:3}
        [[ $n =~ ^[0-9]+$ ]] && ((10#$n > 0)) && seen[$((10#$n))]=1
    done
    for path in /dev/ttyUSB* /dev/ttyACM*; do
        [[ -e $path ]] || continue
        n=${path##*tty???}
        [[ $n =~ ^[0-9]+$ ]] && ((10#$n < 16)) || continue
        [[ $path == */ttyACM* ]] && n=$((10#$n + 16))
        seen[$((10#$n + 1))]=1
    done
    for n in "${!seen[@]}"; do names+=("COM$n"); done
    printf '%s\n' "${names[@]}" | sort -V
}

# Files ending in one of the "|"-separated endings $1 ("*": any file), and folders.
_dalvex_cli_files() {
    local endings=$1 path ending
    local IFS=$'\n'
    [[ -n $endings ]] || return 0
    compopt -o filenames 2>/dev/null
    if [[ $endings == '*' ]]; then
        COMPREPLY=($(compgen -f -- "$cur"))
        return
    fi
    COMPREPLY=()
    for path in $(compgen -f -- "$cur"); do
        if [[ -d $path ]]; then
            COMPREPLY+=("$path")
            continue
        fi
        IFS='|'
        for ending in $endings; do
            if [[ ${path,,} == *."$ending" ]]; then
                COMPREPLY+=("$path")
                break
            fi
        done
        IFS=$'\n'
    done
}

_dalvex_cli() {
    local cword=$COMP_CWORD
    local cur=${COMP_WORDS[cword]} prev=${COMP_WORDS[cword - 1]-}
    # bash splits "--port=CO" at "=": the value follows an "=" word.
    if [[ $cur == = ]]; then
        cur=
    elif [[ $prev == = ]]; then
        prev=${COMP_WORDS[cword - 2]}
    fi
    COMPREPLY=()

    local program=${COMP_WORDS[0]}
    type -P -- "$program" >/dev/null || program=dalvex-cli
    _dalvex_cli_read_help "$program"

    # The command is the first word that is neither an option nor an option's value.
    local i word command= flags=' '
    for ((i = 1; i < cword; i++)); do
        word=${COMP_WORDS[i]}
        if [[ ${COMP_WORDS[i + 1]-} == = ]]; then
            ((i += 2))
        elif [[ $word == -* ]]; then
            flags+="$word "
            [[ $_dalvex_cli_valued == *" $word "* ]] && ((i++))
        elif [[ -z $command ]]; then
            command=$word
        fi
    done

    local types=:
    [[ -n $command ]] && types=${_dalvex_cli_file_types[$command]-'*:*'}
    local instead=${_dalvex_cli_instead[${command:-none}]-}
    [[ -n $instead && $flags == *" $instead "* ]] && types=":${types#*:}"
    case $prev in
    --port)
        if [[ $cur == /* ]]; then
            _dalvex_cli_files '*'
        else
            local IFS=$'\n'
            COMPREPLY=($(compgen -W "$(_dalvex_cli_ports)" -- "${cur^^}"))
        fi
        return
        ;;
    --baud)
        COMPREPLY=($(compgen -W "$_dalvex_cli_bauds" -- "$cur"))
        return
        ;;
    --slot)
        COMPREPLY=($(compgen -W '1 2 3 4 5 6 7' -- "$cur"))
        return
        ;;
    --contact-id)
        COMPREPLY=($(compgen -W 'yes no' -- "$cur"))
        return
        ;;
    --changed-since)
        _dalvex_cli_files 'dat|dat.gz'
        return
        ;;
    --lang)
        COMPREPLY=($(compgen -W 'hu en de sk it si nl cs' -- "$cur"))
        return
        ;;
    --paper)
        COMPREPLY=($(compgen -W 'a4 letter' -- "$cur"))
        return
        ;;
    --type)
        COMPREPLY=($(compgen -W '72 73 74 75' -- "$cur"))
        return
        ;;
    -o | --output)
        _dalvex_cli_files "${types#*:}"
        return
        ;;
    --trace)
        _dalvex_cli_files '*'
        return
        ;;
    esac
    # Another option's value: nothing to offer.
    [[ $prev == -* && $_dalvex_cli_valued == *" $prev "* ]] && return

    if [[ $cur == -* ]]; then
        local own=
        [[ -n $command ]] && own=${_dalvex_cli_options[$command]-}
        COMPREPLY=($(compgen -W "$own $_dalvex_cli_common" -- "$cur"))
    elif [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "${_dalvex_cli_commands[*]}" -- "$cur"))
    else
        _dalvex_cli_files "${types%%:*}"
    fi
}

complete -F _dalvex_cli dalvex-cli
