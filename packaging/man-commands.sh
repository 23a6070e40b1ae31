#!/bin/sh
# man-commands.sh PLENUMCTL: prints a help2man include file whose COMMANDS section holds the help
# of every plenumctl command and subcommand, and a PARAMETERS section with `plenumctl help params`,
# so that the man page describes all of them.
set -eu
plenumctl=$1
words() {  # the subcommands that `plenumctl ARGS --help` lists
    "$plenumctl" "$@" --help | awk '/^[A-Za-z][A-Za-z ]*:$/ { section = $0; next }
                                    section == "Subcommands:" && /^  [a-z]/ { print $1 }'
}
section() {
    printf '.SS "plenumctl %s"\n.nf\n' "$*"
    "$plenumctl" "$@" --help | sed -e 's/\\/\\e/g' -e 's/^\./\\\&./' -e "s/^'/\\\\\\&'/"
    printf '.fi\n'
}
printf '[COMMANDS]\n'
for command in $(words); do
    section "$command"
    for sub in $(words "$command"); do section "$command" "$sub"; done
done
printf '[PARAMETERS]\n.nf\n'
"$plenumctl" help params | sed -e 's/\\/\\e/g' -e 's/^\./\\\&./'
printf '.fi\n[SEE ALSO]\nplenum(1), plenum-sim(1)\n'
