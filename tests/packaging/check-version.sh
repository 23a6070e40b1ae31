#!/usr/bin/env bash
# check-version.sh PROGRAM EXPECTED: PROGRAM --version prints exactly EXPECTED and exits 0, without
# a display (the desktop application answers before its toolkit starts).
set -u
program=$1
expected=$2
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$program" --version 2>&1)
rc=$?
if [ "$rc" -ne 0 ] || [ "$out" != "$expected" ]; then
  echo "$program --version: exit $rc, printed '$out'; expected '$expected' and exit 0" >&2
  exit 1
fi
echo "$out"
