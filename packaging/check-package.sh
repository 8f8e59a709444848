#!/usr/bin/env bash
# Builds the Debian package and checks it as a user would meet it: lintian
# (no errors, no warnings, no missing hardening), desktop-file-validate,
# appstreamcli validate; then installs it into this machine, checks that it
# became the default for no file type and wrote no mailcap entry, converts one
# file as a new non-root user, removes and purges it and lists what is left.
# Needs root (it installs the package); the machine is left without it.
#
# Reuses the build tree of scripts/build.sh (QUILBEX_BUILD_DIR, default build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILBEX_BUILD_DIR:-$root/build}
tools=(lintian desktop-file-validate appstreamcli xdg-mime update-mime runuser)
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: the package check installs the package and needs root"
  exit 0
fi
for tool in "${tools[@]}"; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is missing (scripts/setup.sh installs lintian, desktop-file-utils, appstream, xdg-utils, mailcap)"
    exit 0
  fi
done
if dpkg-query -W -f='${Status}' quilbex 2>/dev/null | grep -q 'installed'; then
  echo "SKIP: quilbex is already installed on this machine; the check needs a machine without it"
  exit 0
fi

work=$(mktemp -d /tmp/quilbex-package.XXXXXX)
chmod 755 "$work"
user=qbxcheck$$
apt_get=(apt-get -y -q -o DPkg::Lock::Timeout=300)
cleanup() {
  if dpkg-query -W -f='${Status}' quilbex 2>/dev/null | grep -q 'install ok'; then
    DEBIAN_FRONTEND=noninteractive "${apt_get[@]}" remove quilbex >/dev/null 2>&1 || true
  fi
  if dpkg-query -W quilbex >/dev/null 2>&1; then dpkg --purge quilbex >/dev/null 2>&1 || true
  fi
  id "$user" >/dev/null 2>&1 && userdel -r "$user" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

echo "== build the package"
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/quilbex_*.deb)
echo "$(basename "$deb"): $(du -k "$deb" | cut -f1) KiB"

echo "== lintian"
# Info tags are shown only for the hardening checks (PIE, RELRO, bind now,
# fortify); every error or warning fails.
lintian --display-info "$deb" > "$work/lintian.txt" 2>&1 || true
cat "$work/lintian.txt"
if grep -E '^(E|W): |^I: [^ ]+ hardening-' "$work/lintian.txt" >/dev/null; then
  fail "lintian has errors, warnings or hardening notes"
else
  pass "lintian: no errors, no warnings, hardened"
fi
changelog_version=$(sed -n '1s/^quilbex (\([^)]*\)).*/\1/p' "$root/packaging/debian/changelog")
package_version=$(dpkg-deb -f "$deb" Version)
[ "$changelog_version" = "$package_version" ] && pass "changelog is at $package_version" ||
  fail "changelog is at $changelog_version, the package at $package_version"

echo "== desktop files and metadata"
mkdir -p "$work/tree" && dpkg-deb -x "$deb" "$work/tree"
out=$(desktop-file-validate "$work/tree/usr/share/applications/quilbex.desktop" 2>&1) &&
  [ -z "$out" ] && pass "desktop-file-validate: clean" || fail "desktop-file-validate: $out"
# No network here: the screenshot and homepage addresses are not fetched.
appstreamcli validate --no-net --pedantic "$work"/tree/usr/share/metainfo/*.metainfo.xml &&
  pass "appstreamcli validate" || fail "appstreamcli validate"
triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
engine="$work/tree/usr/lib/$triplet/quilbex/libxdwapi.so.1"
[ -e "$engine" ] && pass "engine is private: ${engine#"$work/tree"}" || fail "no engine at ${engine#"$work/tree"}"
runpath=$(readelf -d "$work/tree/usr/bin/quilbex" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
[ "$runpath" = "\$ORIGIN/../lib/$triplet/quilbex" ] && pass "RUNPATH $runpath" || fail "RUNPATH is '$runpath'"

echo "== install"
useradd -m -d "$work/home" -s /bin/sh "$user"
find / -xdev \( -path /proc -o -path /sys -o -path /tmp -o -path /run -o -path /work -o -path /home \
  -o -path /root -o -path /var/lib/dpkg -o -path /var/lib/apt -o -path /var/cache -o -path /var/log \) \
  -prune -o -print 2>/dev/null | sort > "$work/before.txt"
DEBIAN_FRONTEND=noninteractive "${apt_get[@]}" install --no-install-recommends "$deb" > "$work/install.txt" 2>&1 ||
  { cat "$work/install.txt"; fail "apt-get install"; exit 1; }
pass "installed"

as_user() {
  runuser -u "$user" -- env -i HOME="$work/home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"
}
for type in application/pdf text/plain application/msword \
  application/vnd.openxmlformats-officedocument.wordprocessingml.document; do
  default=$(as_user xdg-mime query default "$type" 2>/dev/null || true)
  case "$default" in
    *quilbex*) fail "xdg-mime: $type opens with $default" ;;
    *) pass "xdg-mime: $type opens with '${default:-nothing}'" ;;
  esac
done
grep -i quilbex /etc/mailcap && fail "/etc/mailcap has a Quilbex line" || pass "/etc/mailcap: no Quilbex line"
grep -il quilbex /usr/share/applications/mimeinfo.cache 2>/dev/null &&
  fail "mimeinfo.cache lists Quilbex" || pass "mimeinfo.cache: Quilbex handles no type"

echo "== convert as a new user"
cp "$root/samples/sample.pdf" "$work/home/sample.pdf"
chown "$user:" "$work/home/sample.pdf"
status=0
as_user quilbex "$work/home/sample.pdf" > "$work/run.txt" 2>&1 || status=$?
documents=$(find "$work/home" -name '*.xdw')
if [ "$status" -eq 0 ] && [ -n "$documents" ]; then
  pass "converted: ${documents#"$work/home/"} ($(stat -c %s "$documents") bytes)"
else
  cat "$work/run.txt"
  fail "conversion as $user: status $status, no document"
fi
echo "the user's own files:"
(cd "$work/home" && find . -type f ! -name '.*' ! -path './.cache/*' | sort | sed 's/^/  /')

echo "== remove and purge (the package has no conffiles: removing it leaves nothing to purge)"
DEBIAN_FRONTEND=noninteractive "${apt_get[@]}" remove quilbex >/dev/null 2>&1 || fail "apt-get remove"
left=$(dpkg -L quilbex 2>/dev/null | grep -v '^/\.$' | while read -r f; do [ -f "$f" ] && echo "$f"; done || true)
[ -z "$left" ] && pass "remove: no file of the package left" || fail "remove left: $left"
dpkg --purge quilbex >/dev/null || fail "dpkg --purge"
dpkg-query -W quilbex >/dev/null 2>&1 && fail "dpkg still knows quilbex" || pass "purged"
find / -xdev \( -path /proc -o -path /sys -o -path /tmp -o -path /run -o -path /work -o -path /home \
  -o -path /root -o -path /var/lib/dpkg -o -path /var/lib/apt -o -path /var/cache -o -path /var/log \) \
  -prune -o -print 2>/dev/null | sort > "$work/after.txt"
new=$(comm -13 "$work/before.txt" "$work/after.txt")
echo "left on the system since the install (outside the user's folders): ${new:-nothing}"
echo "$new" | grep -i quilbex && fail "the package left files behind" || true
grep -ail quilbex /etc/mailcap /usr/share/applications/mimeinfo.cache \
  /usr/share/icons/hicolor/icon-theme.cache 2>/dev/null && fail "a system cache still names Quilbex" ||
  pass "no system cache names Quilbex"

echo "== package check: $failures failure(s)"
[ "$failures" -eq 0 ]
