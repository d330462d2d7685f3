# bash completion for zeltocov                              -*- shell-script -*-
#
# Installed as share/bash-completion/completions/zeltocov, where bash-completion
# loads it on first use; it can also be sourced by hand (it needs nothing else).
# Completes the option names (in the letter case typed: -sum gives -summary=), the
# keyword values of -PROC, -BLOCK, -COND, -BRANCH and -SUMMARY, the coverage types of
# -FAILUNDER (and CHANGED), file names for the input files, @argument files and the
# options that name files (-CHANGES= and -AFFECTED= among them), directory names for
# -LISTING= and for the local folder of -SOURCEMAP=.

# Options that take no value, or whose value may be left out.
_zeltocov_flags=(PROC NOPROC CALL NOCALL BLOCK NOBLOCK COND NOCOND LISTING GLOBAL NOGLOBAL
    MERGETESTS ITERATION STRICT)
# Options that take a value after "=".
_zeltocov_valued=(PROC BLOCK COND OUTPUT LISTING CLEAN BRANCH SUMMARY FILE EXFILE SERVICE
    EXSERVICE TEST EXTEST CIO FLOW XML JSON DIGEST FAILUNDER HTML SOURCEMAP CHANGES AFFECTED OPTION)

# The keywords of an option's value (upper-case option name), one per line.
_zeltocov_keywords() {
    case $1 in
    PROC) echo RET ;;
    BLOCK) printf '%s\n' IMPLICIT DECISION LOGICAL ATC ;;
    COND) printf '%s\n' MODIFIED COMPOUND ;;
    BRANCH) printf '%s\n' COV NOCOV ;;
    SUMMARY) printf '%s\n' SERVICE FILE CONCLUSION ;;
    # The coverage types of the thresholds, each followed by ":" and a percentage.
    FAILUNDER) printf '%s\n' PROC: RET: CALL: BLOCK: IMPLICIT: DECISION: LOGICAL: ATC: COND: \
        MODIFIED: COMPOUND: CHANGED: ;;
    esac
}

# The text in the letter case of `typed`: lower case when `typed` has letters and
# all of them are lower case, else unchanged.
_zeltocov_case_of() {
    local typed=$1 text=$2
    if [[ $typed == *[a-z]* && $typed != *[A-Z]* ]]; then
        printf '%s\n' "${text,,}"
    else
        printf '%s\n' "$text"
    fi
}

_zeltocov() {
    COMPREPLY=()
    # The word up to the cursor as typed: bash may have cut it at "=" or ":"
    # (COMP_WORDBREAKS), but the option name before "=" decides what follows.
    local line=${COMP_LINE:0:COMP_POINT}
    local word=${line##*[[:space:]]}
    # What bash replaces: the word after its last break character.
    local replaced=$word breaks=${COMP_WORDBREAKS-}
    [[ $breaks == *=* ]] && replaced=${replaced##*=}
    [[ $breaks == *:* ]] && replaced=${replaced##*:}
    local kept=${word:0:${#word}-${#replaced}}

    local candidates=() filenames=false directories=false nospace=false
    local upper=${word^^}

    if [[ $word == -*=* ]]; then
        # A value: the option is the longest or only name the typed prefix matches.
        local typedName=${word%%=*} value=${word#*=}
        local name=${typedName#-} option='' candidate
        name=${name^^}
        for candidate in "${_zeltocov_valued[@]}"; do
            if [[ $candidate == "$name" ]]; then
                option=$candidate
                break
            fi
            if [[ $candidate == "$name"* ]]; then
                if [[ -n $option ]]; then
                    option=ambiguous
                else
                    option=$candidate
                fi
            fi
        done
        case $option in
        PROC | BLOCK | COND | BRANCH | SUMMARY)
            local keyword
            while read -r keyword; do
                if [[ $keyword == "${value^^}"* ]]; then
                    candidates+=("$typedName=$(_zeltocov_case_of "$value" "$keyword")")
                fi
            done < <(_zeltocov_keywords "$option")
            ;;
        FAILUNDER)
            # A list of type:percent; the type of its last element is completed.
            local head='' last=$value keyword
            if [[ $value == *,* ]]; then
                head=${value%,*},
                last=${value##*,}
            fi
            if [[ $last != *:* ]]; then
                while read -r keyword; do
                    if [[ $keyword == "${last^^}"* ]]; then
                        candidates+=("$typedName=$head$(_zeltocov_case_of "$last" "$keyword")")
                    fi
                done < <(_zeltocov_keywords FAILUNDER)
                nospace=true
            fi
            ;;
        HTML)
            local directory
            while IFS= read -r directory; do
                candidates+=("$typedName=$directory")
            done < <(compgen -d -- "$value")
            nospace=true
            ;;
        OUTPUT | CLEAN | CIO | FLOW | XML | JSON | DIGEST | CHANGES | AFFECTED | OPTION | FILE | EXFILE)
            # Lists (-FILE, -EXFILE) complete their last element.
            local head='' last=$value
            if [[ $option == FILE || $option == EXFILE ]] && [[ $value == *,* ]]; then
                head=${value%,*},
                last=${value##*,}
            fi
            local file
            while IFS= read -r file; do
                candidates+=("$typedName=$head$file")
            done < <(compgen -f -- "$last")
            filenames=true
            ;;
        SOURCEMAP)
            # <from>,<to>: the folder of another machine, then a local directory.
            if [[ $value == *,* ]]; then
                local head=${value%,*}, directory
                while IFS= read -r directory; do
                    candidates+=("$typedName=$head$directory")
                done < <(compgen -d -- "${value##*,}")
            fi
            directories=true
            ;;
        LISTING)
            local directory
            while IFS= read -r directory; do
                candidates+=("$typedName=$directory")
            done < <(compgen -d -- "$value")
            directories=true
            ;;
        esac
    elif [[ $word == -* ]]; then
        local name
        for name in "${_zeltocov_flags[@]}"; do
            [[ -$name == "$upper"* ]] && candidates+=("$(_zeltocov_case_of "$word" "-$name")")
        done
        for name in "${_zeltocov_valued[@]}"; do
            [[ -$name= == "$upper"* ]] && candidates+=("$(_zeltocov_case_of "$word" "-$name=")")
        done
        if ((COMP_CWORD == 1)) && [[ -VERSION == "$upper"* ]]; then
            candidates+=("$(_zeltocov_case_of "$word" -VERSION)")
        fi
        # Only "-NAME=" forms: the value follows without a blank.
        nospace=true
        local candidate
        for candidate in "${candidates[@]}"; do
            [[ $candidate == *= ]] || nospace=false
        done
    elif [[ $word == @* ]]; then
        local file
        while IFS= read -r file; do
            candidates+=("@$file")
        done < <(compgen -f -- "${word#@}")
        filenames=true
    else
        local file
        while IFS= read -r file; do
            candidates+=("$file")
        done < <(compgen -f -- "$word")
        filenames=true
    fi

    local candidate
    for candidate in "${candidates[@]}"; do
        [[ $candidate == "$kept"* ]] && COMPREPLY+=("${candidate:${#kept}}")
    done
    if [[ $filenames == true || $directories == true ]]; then
        # Directories get their "/" and no blank, so that the path can go on.
        local i path
        for i in "${!COMPREPLY[@]}"; do
            path=${kept}${COMPREPLY[i]}
            path=${path#@}
            [[ $path == -*=* ]] && path=${path#*=}
            [[ $path == *,* && $word == -*=* ]] && path=${path##*,}
            if [[ -d $path ]]; then
                COMPREPLY[i]+=/
                nospace=true
            fi
        done
    fi
    if type compopt &>/dev/null; then
        # Names with blanks or quotes are escaped as file names.
        [[ $filenames == true || $directories == true ]] && compopt -o filenames 2>/dev/null
        [[ $nospace == true ]] && compopt -o nospace 2>/dev/null
    fi
    return 0
}

complete -F _zeltocov zeltocov
