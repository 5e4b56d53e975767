# bash completion for zovudedoda-db: its commands, each command's options, and file names
# where an option or argument names a file.

_zovudedoda_db()
{
    local cur prev words cword
    _init_completion || return

    local commands="where create list show import export check solve rate explain generate import-jet print"
    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
        --db) ((i++)) ;;
        -*) ;;
        *)
            command=${words[i]}
            break
            ;;
        esac
    done

    case $prev in
    --db)
        _filedir mdb
        return
        ;;
    --from | --file)
        _filedir
        return
        ;;
    -o | --output)
        if [[ $command == print ]]; then
            _filedir '@(pdf|svg)'
        else
            _filedir
        fi
        return
        ;;
    --format)
        COMPREPLY=($(compgen -W "line sdk ss" -- "$cur"))
        return
        ;;
    --per-page)
        COMPREPLY=($(compgen -W "1 2 4 6" -- "$cur"))
        return
        ;;
    --paper)
        COMPREPLY=($(compgen -W "a4 letter" -- "$cur"))
        return
        ;;
    --grade | --grade-from | --grade-to)
        COMPREPLY=($(compgen -W "1 2 3 4 5 6 7 8" -- "$cur"))
        return
        ;;
    --seed)
        return
        ;;
    esac

    local options="-h --help --db"
    case $command in
    "") options="-h --help --version --db" ;;
    create) options+=" --from --format" ;;
    import)
        options+=" --format"
        [[ $cur != -* ]] && _filedir
        ;;
    export) options+=" --format -o --output" ;;
    rate) options+=" --file --format" ;;
    explain) options+=" --file --format --board -o --output" ;;
    generate) options+=" --grade --grade-from --grade-to --seed" ;;
    import-jet) [[ $cur != -* ]] && _filedir mdb ;;
    print) options+=" -o --output --per-page --paper --solutions" ;;
    esac

    if [[ $command == "" && $cur != -* ]]; then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    elif [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    fi
} &&
    complete -F _zovudedoda_db zovudedoda-db
