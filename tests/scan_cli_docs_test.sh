#!/usr/bin/env bash
# glyphwell-scan's manual page and bash completion held against its --help:
# the page names exactly the options --help names, the completion offers
# them, and it offers for an option's value exactly the words of that
# option's help that the program takes as its value.
#   scan_cli_docs_test.sh PROGRAM MANPAGE COMPLETION   the build's files
#   scan_cli_docs_test.sh --installed                  the installed ones,
#                                                      found as a user's shell finds them
set -euo pipefail

bash_completion=/usr/share/bash-completion/bash_completion
if [ "${1-}" = --installed ]; then
  program="$(command -v glyphwell-scan)"
  manpage="$(man -w glyphwell-scan)"
  completion=
else
  [ "$#" -eq 3 ] || { echo "usage: $0 PROGRAM MANPAGE COMPLETION | --installed" >&2; exit 2; }
  program="$(realpath -- "$1")" manpage="$(realpath -- "$2")" completion="$(realpath -- "$3")"
fi
[ -r "$bash_completion" ] || { echo "bash-completion is not installed" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/scan-docs.XXXXXX")"
trap 'rm -rf -- "$work"' EXIT
mkdir -- "$work/here" "$work/tree"
# Failures are counted in a file: some checks run in subshells.
fail() { echo "FAIL: $*" | tee -a "$work/failures" >&2; }

help="$(LC_ALL=C "$program" --help)"

# Every option named anywhere in a text, one a line, sorted.
options_in() { grep -oE '(^|[^[:alnum:]-])--?[[:alnum:]][[:alnum:]-]*' | sed -E 's/^[^-]+//' | sort -u; }
# The page as text: roff's escapes of "-" and of fonts taken off.
page_text="$(zcat -f -- "$manpage" | sed -E 's/\\-/-/g; s/\\f[BIRP]//g; s/\\[,/]//g')"
if ! diff <(options_in <<< "$help") <(options_in <<< "$page_text") > "$work/diff"; then
  fail "the manual page and --help name different options (< --help, > page):"
  cat "$work/diff" >&2
fi

# What the completion offers for a command line whose last word is being
# typed, one a line; run in a folder that holds one file.
complete_line() {
  (cd "$work/here" && bash -c '
    bash_completion="$1" completion="$2"; shift 2
    source "$bash_completion"
    if [ -n "$completion" ]; then source "$completion"; else __load_completion glyphwell-scan; fi
    rule="$(complete -p glyphwell-scan)" || exit 1
    function="${rule#*-F }"; function="${function%% *}"
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}; COMPREPLY=()
    "$function" "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}"' complete "$bash_completion" "$completion" "$program" "$@" | sed '/^$/d' | sort -u)
}
file_here=some-file.txt
: > "$work/here/$file_here"

# The options --help lists in its option column ("-j, --threads N"), each
# with the word it shows for its value.
listed="$(sed -nE 's/^ {1,6}(-[[:alnum:]], )?(--?[[:alnum:]][[:alnum:]-]*)( [A-Z]+)?(  .*)?$/\2\3/p' <<< "$help")"
[ -n "$listed" ] || fail "no option found in --help"
offered="$(complete_line -)"
while read -r option _; do
  grep -qxF -- "$option" <<< "$offered" || fail "completion does not offer $option"
done <<< "$listed"
[ "$(complete_line --for)" = --format ] || fail "--for does not complete to --format: $(complete_line --for)"

# True when the program takes word as the value of option (an exit status
# of 0 or 1: found or not found; 2 is a refusal, anything else a fault).
takes() {
  local status=0
  (cd "$work/here" && "$program" --quiet --no-export --report "$work/report.txt" "$1" "$2" "$work/tree") \
    > /dev/null 2>&1 || status=$?
  [ "$status" -le 2 ] || fail "$1 $2: exit status $status"
  [ "$status" -le 1 ]
}

# An option's help paragraph: its line and the lines that carry on its
# description.
paragraph_of() {
  local line word inside=no
  local -a option_words
  while IFS= read -r line; do
    if [[ $line =~ ^\ {1,6}(-.*) ]]; then
      read -r -a option_words <<< "${BASH_REMATCH[1]%%  *}"
      inside=no
      for word in "${option_words[@]}"; do
        if [ "${word%,}" = "$1" ]; then inside=yes; fi
      done
    elif ! [[ $line =~ ^\ {10,}[^\ ] ]]; then
      inside=no
    fi
    if [ "$inside" = yes ]; then printf '%s\n' "$line"; fi
  done <<< "$help"
}

# For each option that takes a value: a value shown as FILE completes file
# names and no other does; an option that takes any text gets no words
# offered; one that refuses some is offered exactly the words of its help
# that it takes, so that a value added to the help and the program is
# missed by the completion only with this test failing.
while read -r option value_word; do
  [ -n "$value_word" ] || continue
  got="$(complete_line "$option" "")"
  if grep -qxF -- "$file_here" <<< "$got"; then files=yes; else files=no; fi
  if [ "$value_word" = FILE ]; then want_files=yes; else want_files=no; fi
  [ "$files" = "$want_files" ] || fail "$option $value_word: file names offered: $files"
  words="$(grep -vxF -- "$file_here" <<< "$got" | tr '[:upper:]' '[:lower:]' | sort -u || true)"
  # A number or a file name (N, FILE) has no words to offer; any other
  # value is asked of the program.
  if [ "$value_word" = N ] || [ "$value_word" = FILE ] || takes "$option" no-such-value-9; then
    expected=
  else
    expected="$(paragraph_of "$option" | { grep -oE '[[:alpha:]][[:alnum:]-]*[[:alnum:]]' || true; } | sort -u |
      while read -r word; do if takes "$option" "$word"; then printf '%s\n' "${word,,}"; fi; done | sort -u)"
  fi
  [ "$words" = "$expected" ] ||
    fail "$option: completion offers [${words//$'\n'/ }], the program takes [${expected//$'\n'/ }] of its help's words"
done <<< "$listed"

if [ -s "$work/failures" ]; then
  echo "$(wc -l < "$work/failures") check(s) failed" >&2
  exit 1
fi
echo "manual page, completion and --help agree ($(wc -l <<< "$listed") options)"
