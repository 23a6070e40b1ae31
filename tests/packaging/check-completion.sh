#!/usr/bin/env bash
# check-completion.sh COMPLETION PLENUMCTL: the bash completion lists exactly the commands and the
# global options that `plenumctl --help` lists, and completes a table of command lines as expected
# (the deeper levels are read from the program itself).
set -u
completion=$1
plenumctl=$2
failures=0

# plenumctl's own list: the first word of each line of its "Subcommands:" section.
program_commands=$("$plenumctl" --help | awk '/^[A-Za-z][A-Za-z ]*:$/ { section = $0; next }
                                              section == "Subcommands:" && /^  [a-z]/ { print $1 }' | sort)
completion_commands=$(bash -c 'source "$1" && printf "%s\n" $_plenumctl_commands' _ "$completion" | sort)
if [ -z "$program_commands" ]; then
  echo "plenumctl --help lists no commands" >&2
  exit 1
fi
if [ "$program_commands" != "$completion_commands" ]; then
  echo "The completion's command list differs from plenumctl --help (< plenumctl, > completion):" >&2
  diff <(echo "$program_commands") <(echo "$completion_commands") >&2
  failures=$((failures + 1))
fi

# The global options likewise: the long names in the "Options:" section of plenumctl --help.
program_options=$("$plenumctl" --help | awk '/^[A-Za-z][A-Za-z ]*:$/ { section = $0; next }
    section == "Options:" && /^  +-/ { n = split($1, names, ","); for (i = 1; i <= n; ++i) if (names[i] ~ /^--/) print names[i] }' |
  sort)
completion_options=$(bash -c 'source "$1" && printf "%s\n" $_plenumctl_global_options' _ "$completion" | sort)
if [ "$program_options" != "$completion_options" ]; then
  echo "The completion's global options differ from plenumctl --help (< plenumctl, > completion):" >&2
  diff <(echo "$program_options") <(echo "$completion_options") >&2
  failures=$((failures + 1))
fi

# Each case: the command line up to the cursor (a trailing blank starts a new word) | the words
# that must be offered (all of them, in any order) | "exact" when nothing else may be offered.
cases=(
  "plenumctl co|connect|exact"
  "plenumctl di|diff disconnect|exact"
  "plenumctl --vers|--version|exact"
  "plenumctl --lang |en zh|exact"
  "plenumctl --data-dir /tmp/venue --yes gr|group|exact"
  "plenumctl group |add list set sync check remove|"
  "plenumctl program st|store|exact"
  "plenumctl help |params|exact"
  "plenumctl connect |all|exact"
  "plenumctl diff a|all|exact"
  "plenumctl read ||exact"
  "plenumctl connect --|--read|"
  "plenumctl group add --|--help|"
)
bindir=$(dirname "$(realpath "$plenumctl")")
for case in "${cases[@]}"; do
  IFS='|' read -r line want mode <<<"$case"
  got=$(PATH="$bindir:$PATH" bash -c '
    source "$1"
    read -r -a COMP_WORDS <<<"$2"
    [[ $2 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _plenumctl
    printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$line" | sort)
  ok=1
  for word in $want; do
    grep -qx -- "$word" <<<"$got" || ok=0
  done
  if [ "$mode" = "exact" ] && [ "$(printf '%s\n' $want | sort)" != "$got" ]; then ok=0; fi
  if [ "$ok" = 1 ]; then
    echo "ok: '$line' -> $(echo $got)"
  else
    echo "FAIL: '$line' -> '$(echo $got)', expected $want ($mode)" >&2
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] || { echo "$failures completion check(s) failed" >&2; exit 1; }
echo "completion: $(echo "$program_commands" | wc -l) commands, ${#cases[@]} cases"
