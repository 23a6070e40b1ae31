#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh built, without installing it on this machine:
#  - its control data (name, version, computed dependencies) and its file list;
#  - unpacked into a temporary folder (dpkg -x): the three programs answer --version, the man
#    pages, the bash completion and the desktop entry are well formed;
#  - with --chroot: a clean Debian 12 (debootstrap, minbase) installs it with apt, dependencies
#    and all, and the programs run there. The base system is made once and kept in
#    build/debian12-base (PLENUM_CHROOT_BASE); each check works on a fresh copy of it.
# Usage: scripts/check-package.sh [--chroot] [PACKAGE.deb]   (default: build/release/package/*.deb)
set -euo pipefail
cd "$(dirname "$0")/.."

chroot_check=0
if [ "${1:-}" = "--chroot" ]; then
  chroot_check=1
  shift
fi
deb=${1:-$(ls build/release/package/plenum_*.deb 2>/dev/null | head -n 1)}
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
  echo "check-package: no package; build one with scripts/package.sh" >&2
  exit 2
fi
deb=$(realpath "$deb")
version=$(sed -n 's/^project(plenum VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

work=$(mktemp -d)
cleanup() {
  if [ -n "${chroot_root:-}" ]; then
    umount "$chroot_root/proc" 2>/dev/null || true
    rm -rf "$chroot_root"
  fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "== $deb =="
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = "plenum" ] && pass "package name plenum" || fail "package name is '$(field Package)'"
[ "$(field Version)" = "$version" ] && pass "version $version" || fail "version is '$(field Version)', CMake says $version"
depends=$(field Depends)
echo "   Depends: $depends"
for library in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6; do
  [[ $depends == *"$library"* ]] && pass "depends on $library" || fail "no dependency on $library"
done

dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' | sort > "$work/contents"
expected=(
  /usr/bin/plenum /usr/bin/plenumctl /usr/bin/plenum-sim
  /usr/share/applications/plenum.desktop
  /usr/share/icons/hicolor/scalable/apps/plenum.svg
  /usr/share/man/man1/plenum.1.gz /usr/share/man/man1/plenumctl.1.gz /usr/share/man/man1/plenum-sim.1.gz
  /usr/share/bash-completion/completions/plenumctl
  /usr/share/doc/plenum/copyright
)
for size in 16 22 24 32 48 64 128 256; do expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/plenum.png"); done
for path in "${expected[@]}"; do
  grep -qx "$path" "$work/contents" && pass "contains $path" || fail "missing $path"
done
if grep -v -e '^/usr/bin' -e '^/usr/share' -e '^/usr$' "$work/contents" | grep -q .; then
  fail "files outside /usr/bin and /usr/share: $(grep -v -e '^/usr/bin' -e '^/usr/share' -e '^/usr$' "$work/contents" | tr '\n' ' ')"
fi

echo "== unpacked (dpkg -x) =="
root=$work/root
dpkg -x "$deb" "$root"
for program in plenum plenumctl plenum-sim; do
  out=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/$program" --version 2>&1) && rc=0 || rc=$?
  [ "$rc" = 0 ] && [ "$out" = "$program $version" ] && pass "$program --version: $out" ||
    fail "$program --version printed '$out' (exit $rc)"
done
for page in plenum plenumctl plenum-sim; do
  man_text=$(gzip -dc "$root/usr/share/man/man1/$page.1.gz" 2>/dev/null | tr -d '\\' || true)
  [[ $man_text == *".TH "*"${page^^}"* ]] && [[ $man_text == *"--version"* ]] &&
    pass "man page $page" || fail "man page $page is not a man page of $page"
done
bash -n "$root/usr/share/bash-completion/completions/plenumctl" && pass "bash completion parses" ||
  fail "bash completion does not parse"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/plenum.desktop" && pass "desktop entry valid" ||
    fail "desktop entry invalid"
fi
for size in 16 22 24 32 48 64 128 256; do
  info=$(file -b "$root/usr/share/icons/hicolor/${size}x${size}/apps/plenum.png")
  [[ $info == *"PNG image data, $size x $size"* ]] && pass "icon ${size}x${size}" || fail "icon ${size}x${size}: $info"
done

if [ "$chroot_check" = 1 ]; then
  echo "== clean Debian 12 (chroot) =="
  [ "$(id -u)" = 0 ] || { echo "check-package: --chroot needs root" >&2; exit 2; }
  command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
  base=${PLENUM_CHROOT_BASE:-$PWD/build/debian12-base}
  mirror=${PLENUM_DEBIAN_MIRROR:-http://deb.debian.org/debian}
  if [ ! -x "$base/usr/bin/apt-get" ]; then
    rm -rf "$base.new"
    debootstrap --variant=minbase bookworm "$base.new" "$mirror" >"$work/debootstrap.log" 2>&1 ||
      { tail -20 "$work/debootstrap.log" >&2; echo "check-package: debootstrap failed" >&2; exit 1; }
    mv "$base.new" "$base"
  fi
  chroot_root=$(mktemp -d "$PWD/build/debian12-check.XXXXXX")
  cp -a "$base/." "$chroot_root/"
  cp "$deb" "$chroot_root/tmp/plenum.deb"
  mount -t proc proc "$chroot_root/proc"
  if chroot "$chroot_root" env DEBIAN_FRONTEND=noninteractive sh -c \
      'apt-get update -qq && apt-get install -y -qq --no-install-recommends /tmp/plenum.deb' >"$work/apt.log" 2>&1; then
    pass "apt installs the package on a clean Debian 12"
    for program in plenum plenumctl plenum-sim; do
      out=$(chroot "$chroot_root" "/usr/bin/$program" --version 2>&1) && rc=0 || rc=$?
      [ "$rc" = 0 ] && [ "$out" = "$program $version" ] && pass "in the chroot: $out" ||
        fail "in the chroot, $program --version printed '$out' (exit $rc)"
    done
    out=$(chroot "$chroot_root" sh -c 'plenumctl --data-dir /tmp/venue add 8 && plenumctl --data-dir /tmp/venue list' 2>&1) &&
      pass "in the chroot, plenumctl adds and lists a device" || fail "in the chroot, plenumctl add/list: $out"
    out=$(timeout 300 chroot "$chroot_root" env QT_QPA_PLATFORM=offscreen plenum --demo --tour /tmp/tour 2>&1) &&
      [ -n "$(ls "$chroot_root/tmp/tour" 2>/dev/null)" ] && pass "in the chroot, the demo tour runs offscreen" ||
      fail "in the chroot, the demo tour: $(echo "$out" | tail -5)"
  else
    tail -20 "$work/apt.log" >&2
    fail "apt could not install the package on a clean Debian 12"
  fi
fi

if [ "$failures" -gt 0 ]; then
  echo "check-package: $failures check(s) failed" >&2
  exit 1
fi
echo "check-package: all checks passed"
