#!/usr/bin/env bash
# check-guide.sh GUIDE PLENUMCTL: the user guide's pictures exist, its venue script is the one in
# docs/guide/venue.sh (which was run against plenum-sim), and every plenumctl command its examples
# use is a real one: `plenumctl COMMAND [SUBCOMMAND] --help` prints that command's own help.
set -u
guide=$1
plenumctl=$2
docs=$(dirname "$guide")
failures=0
fail() { echo "$*" >&2; failures=$((failures + 1)); }

# 1. Pictures: every ![...](path) below the guide's folder exists.
pictures=$(grep -o '!\[[^]]*\]([^)]*)' "$guide" | sed 's/.*](//; s/)$//')
[ -n "$pictures" ] || fail "The guide shows no pictures"
for picture in $pictures; do
  [ -f "$docs/$picture" ] || fail "Missing picture: $picture"
done

# 2. The venue script shown in the guide is docs/guide/venue.sh, line for line.
if ! grep -qxF -- "$(head -n 1 "$docs/guide/venue.sh")" "$guide"; then
  fail "The guide does not show docs/guide/venue.sh"
else
  while IFS= read -r line; do
    grep -qxF -- "$line" "$guide" || fail "The guide's venue script lacks the line: $line"
  done < "$docs/guide/venue.sh"
fi

# 3. Commands: every line of a code block that runs plenumctl (or the script's `ctl` wrapper).
commands=$(awk '/^ *```/ { inside = !inside; next } inside' "$guide" |
  sed -E 's/#.*$//; s/^[[:space:]]+//' |
  grep -E '^(plenumctl|ctl) ' | grep -v '^ctl()' || true)
[ -n "$commands" ] || fail "The guide shows no plenumctl command"
checked=0
while IFS= read -r line; do
  [ -n "$line" ] || continue
  read -r -a words <<<"$line"
  i=1
  # Global options before the command.
  while [ $i -lt ${#words[@]} ]; do
    case ${words[$i]} in
      --data-dir | --lang | --device-port) i=$((i + 2)) ;;
      --yes | --no | --json) i=$((i + 1)) ;;
      *) break ;;
    esac
  done
  command=${words[$i]:-}
  [ -n "$command" ] || { fail "No command in: $line"; continue; }
  # --help exits 0 even after an unknown word (it prints the parent's help then): the usage
  # line must name the command itself.
  help=$("$plenumctl" "$command" --help 2>&1)
  if ! grep -Eq "^Usage: (.*/)?plenumctl $command( |\$)" <<<"$help"; then
    fail "Not a plenumctl command: $command (in: $line)"
    continue
  fi
  if grep -q '^Subcommands:' <<<"$help"; then
    sub=${words[$((i + 1))]:-}
    grep -Eq "^Usage: (.*/)?plenumctl $command $sub( |\$)" <<<"$("$plenumctl" "$command" "$sub" --help 2>&1)" ||
      fail "Not a plenumctl command: $command $sub (in: $line)"
  fi
  checked=$((checked + 1))
done <<<"$commands"

echo "$checked command lines checked, $(wc -w <<<"$pictures") pictures"
exit $((failures > 0))
