#!/usr/bin/env bash
# Checks kalvora-cli's bash completion against the program itself: the commands it offers are
# the commands of --help, and after each command it offers exactly the options the program
# accepts with that command (asked of the program's own command line, nothing is run). Then
# option values and operands: devices, configuration files, and words after options with values.
#   completion_test.sh COMPLETION_FILE KALVORA_CLI
set -euo pipefail
completion=$1
cli=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "completion test: $*" >&2; failures=$((failures + 1)); }

# shellcheck source=/dev/null
source "$completion"
complete -p kalvora-cli | grep -q -- "-F _kalvora_cli kalvora-cli" || { echo "no completion for kalvora-cli" >&2; exit 1; }

# Completes the last of the given words (the words after "kalvora-cli", as bash splits them);
# prints the candidates sorted, one a line.
offers() {
    COMP_WORDS=(kalvora-cli "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _kalvora_cli
    if ((${#COMPREPLY[@]})); then printf '%s\n' "${COMPREPLY[@]}" | sort -u; fi
}
words() { tr ' ' '\n' | sed '/^$/d' | sort -u; }
same() {  # same WHAT EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        fail "$1: expected [$(echo $2)], offered [$(echo $3)]"
    fi
}

help=$("$cli" --help)
# Commands: the lines of the Commands section that begin with two blanks and a word.
commands=$(sed -n '/^Commands:/,/^Options:/p' <<<"$help" | sed -nE 's/^  ([a-z][a-z0-9-]*)( .*)?$/\1/p' | sort -u)
[ -n "$commands" ] || { echo "no commands found in kalvora-cli --help" >&2; exit 1; }
# Options: every option named in the Commands and Options sections, with the value it takes.
options=$(sed -n '/^Commands:/,/^An option/p' <<<"$help" | grep -oE '(^|[ [,])--?[a-z][a-z0-9-]*' |
          sed -E 's/^[ [,]//' | sort -u)
value_name() {  # the value the help shows after option $1, if any
    { sed -n '/^Commands:/,/^An option/p' <<<"$help" | grep -oE -- "(^|[ [,])$1 [A-Z][A-Za-z.]*" || true; } |
        head -1 | sed -E 's/.* //'
}
sample_value() {
    case $1 in
        DEVICE) echo none ;;
        N) echo 1 ;;
        X) echo 0.5 ;;
        FILE.tnc) echo "$work/x.tnc" ;;
        FILE) echo "$work/x.txt" ;;
        "") ;;
        *) echo "$work/value" ;;
    esac
}

# Whether the program takes option $2 with command $1. Three surplus operands make the command
# line fail after the option check, so nothing runs.
accepts() {
    local value out
    value=$(sample_value "$(value_name "$2")")
    out=$("$cli" "$1" "$2" ${value:+"$value"} surplus1 surplus2 surplus3 2>&1 >/dev/null) && return 0
    if grep -q "is not an option of this command" <<<"$out"; then return 1; fi
    if grep -qE "unexpected argument|^Usage" <<<"$out"; then return 0; fi
    fail "kalvora-cli $1 $2: unexpected answer: $out"
    return 1
}

same "commands" "$commands" "$(offers '')"
same "commands beginning with 's'" "$(grep '^s' <<<"$commands")" "$(offers s)"

every_command=''
first=1
for command in $commands; do
    offered=$(offers "$command" -)
    expected=''
    for option in $(echo "$options" "$offered" | words); do
        if accepts "$command" "$option"; then expected+="$option "; fi
    done
    expected=$(words <<<"$expected")
    same "options of $command" "$expected" "$offered"
    if ((first)); then every_command=$expected; first=0; else every_command=$(comm -12 <(echo "$every_command") <(echo "$expected")); fi
done
# Before the command, the options that every command takes.
same "options before the command" "$every_command" "$(offers -)"
same "options before the command, beginning with '--c'" "$(grep '^--c' <<<"$every_command")" "$(offers --c)"

# Values and operands, in a folder with a configuration file, another file and a subfolder.
mkdir "$work/files" "$work/files/sub"
touch "$work/files/wall.tnc" "$work/files/notes.txt"
cd "$work/files"
same "--com1 value" "$(offers --com1 '' | grep -x none)" "none"
same "--com2=value" "$(offers --com2 = '' | grep -x none)" "none"
same "-o value" "$(printf 'sub\nwall.tnc')" "$(offers read -o '')"
same "--output=value" "$(printf 'sub\nwall.tnc')" "$(offers read --output = '')"
same "--trace value" "$(printf 'notes.txt\nsub\nwall.tnc')" "$(offers search --trace '')"
same "show operand" "$(printf 'sub\nwall.tnc')" "$(offers show '')"
same "send operand after options" "$(printf 'sub\nwall.tnc')" "$(offers --retries 3 --com1 = none send '')"
same "--retries value" "" "$(offers --retries '')"
# A value is not the command: after each option that takes one (as the help shows it), and its
# value, as the next word or after '=', come the commands.
for option in $every_command; do
    value=$(value_name "$option")
    [ -n "$value" ] || continue
    same "command after $option $value" "$commands" "$(offers "$option" "$(sample_value "$value")" '')"
    same "command after $option=$value" "$commands" "$(offers "$option" = "$(sample_value "$value")" '')"
done
same "options after --trace FILE" "$(offers diff -)" "$(offers --trace t.txt diff -)"
# After "--" a word beginning with '-' is a file name, not an option.
same "after --" "" "$(offers show -- -)"

if ((failures)); then
    echo "completion test: $failures failure(s)" >&2
    exit 1
fi
echo "completion test: ok ($(echo $commands | wc -w) commands, $(echo $options | wc -w) options)"
