#!/usr/bin/env bash
# Builds the Debian package and checks it as a user would meet it: lintian
# (no errors, no warnings, no missing hardening), desktop-file-validate,
# appstreamcli validate, the manual page; then installs it into this machine,
# checks that it became the default for no file type and wrote no mailcap
# entry, converts one file as a new non-root user, removes and purges it and
# lists what is left. Needs root (it installs the package); the machine is
# left without it.
#
#   check-package.sh           the whole check
#   check-package.sh --files   only the installed files of the build tree
#                              (no root, no package; run by ctest)
#
# Reuses the build tree of scripts/build.sh (QUILBEX_BUILD_DIR, default build/).
# Exits 77 when it cannot run here (missing tools, not root).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILBEX_BUILD_DIR:-$root/build}
mode=${1:-all}
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }
skip() {
  echo "SKIP: $*"
  exit 77
}

tools=(desktop-file-validate appstreamcli man readelf dpkg-architecture)
[ "$mode" = --files ] || tools+=(lintian xdg-mime update-mime runuser cpack)
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null ||
    skip "$tool is missing (scripts/setup.sh installs lintian, desktop-file-utils, appstream, xdg-utils, mailcap)"
done
if [ "$mode" != --files ]; then
  [ "$(id -u)" -eq 0 ] || skip "the package check installs the package and needs root"
  if dpkg-query -W -f='${Status}' quilbex 2>/dev/null | grep -q 'installed'; then
    skip "quilbex is already installed on this machine; the check needs a machine without it"
  fi
fi

# The files as installed under $1 (a root folder): desktop entry, metadata,
# manual page, file-manager actions, the private engine and the RUNPATH.
check_files() {
  local tree=$1 out types
  out=$(desktop-file-validate "$tree/usr/share/applications/quilbex.desktop" 2>&1) && [ -z "$out" ] &&
    pass "desktop-file-validate: clean" || fail "desktop-file-validate: $out"
  grep -q '^MimeType=' "$tree/usr/share/applications/quilbex.desktop" &&
    fail "the desktop entry declares types: it would become their default and enter /etc/mailcap" ||
    pass "the desktop entry declares no types"
  # No network here: the screenshot and homepage addresses are not fetched.
  appstreamcli validate --no-net --pedantic "$tree"/usr/share/metainfo/*.metainfo.xml >/dev/null &&
    pass "appstreamcli validate" || fail "appstreamcli validate: $(appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml)"
  out=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
    "$tree/usr/share/man/man1/quilbex.1.gz" 2>&1 >/dev/null)
  [ -z "$out" ] && pass "manual page renders without warnings" || fail "manual page: $out"
  types=$(grep -v -e '^#' -e '^$' "$root/packaging/mime-types.list" | tr '\n' ';')
  grep -qxF "MimeType=$types" "$tree/usr/share/kio/servicemenus/quilbex-convert.desktop" &&
    grep -qxF "Mimetypes=$types" "$tree/usr/share/nemo/actions/quilbex-convert.nemo_action" &&
    pass "Dolphin and Nemo actions offered on the $(echo "$types" | tr -cd ';' | wc -c) types of mime-types.list" ||
    fail "the file-manager actions do not list the types of mime-types.list"
  check_several_files "$tree"
  local triplet engine runpath
  triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
  engine="$tree/usr/lib/$triplet/quilbex/libxdwapi.so.1"
  [ -e "$engine" ] && pass "engine is private: ${engine#"$tree"}" || fail "no engine at ${engine#"$tree"}"
  [ -x "${engine%/*}/quilbex-render" ] && pass "page renderer beside the engine" ||
    fail "no page renderer beside the engine"
  runpath=$(readelf -d "$tree/usr/bin/quilbex" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  [ "$runpath" = "\$ORIGIN/../lib/$triplet/quilbex" ] && pass "RUNPATH $runpath" || fail "RUNPATH is '$runpath'"
}

# Runs an action's command line as the file manager would, words split as
# by a shell, with a stand-in quilbex that records each run's arguments.
run_action() {
  local exec=$1 log=$2
  shift 2
  local bin
  bin=$(mktemp -d /tmp/quilbex-action.XXXXXX)
  printf '#!/bin/sh\necho "$*" >> "%s"\n' "$log" > "$bin/quilbex"
  chmod +x "$bin/quilbex"
  (PATH="$bin:$PATH" && eval "set -- $exec" && "$@") >/dev/null 2>&1
  rm -rf "$bin"
}

# Both actions are offered for a selection of several files and start one
# run per file (Dolphin runs a %f command once for each file).
check_several_files() {
  local tree=$1 nemo dolphin exec files=() quoted='' log
  nemo="$tree/usr/share/nemo/actions/quilbex-convert.nemo_action"
  dolphin="$tree/usr/share/kio/servicemenus/quilbex-convert.desktop"
  for f in "a b.pdf" "c.docx" "-d.png"; do files+=("/srv/in/$f") && quoted+=" \"/srv/in/$f\""; done
  log=$(mktemp /tmp/quilbex-runs.XXXXXX)
  grep -qE '^Selection=(s|single|none)$' "$nemo" && fail "the Nemo action takes one file only" ||
    { exec=$(sed -n 's/^Exec=//p' "$nemo") && run_action "${exec//%F/$quoted}" "$log"; }
  [ "$(sort "$log")" = "$(printf -- '-- %s\n' "${files[@]}" | sort)" ] &&
    pass "Nemo action: three selected files, three runs of one file each" ||
    fail "Nemo action on three files ran: $(cat "$log")"
  : > "$log"
  exec=$(sed -n 's/^Exec=//p' "$dolphin")
  if grep -qE '^X-KDE-MaxNumberOfUrls=1$' "$dolphin" || [[ $exec != *%f* ]]; then
    fail "the Dolphin action takes one file only, or all in one run: $exec"
  else
    for f in "${files[@]}"; do run_action "${exec//%f/\"$f\"}" "$log"; done
    [ "$(cat "$log")" = "$(printf -- '-- %s\n' "${files[@]}")" ] &&
      pass "Dolphin action: offered for several files, one run each" ||
      fail "Dolphin action ran: $(cat "$log")"
  fi
  rm -f "$log"
}

if [ "$mode" = --files ]; then
  tree=$(mktemp -d /tmp/quilbex-files.XXXXXX)
  trap 'rm -rf "$tree"' EXIT
  cmake --install "$build" --prefix "$tree/usr" >/dev/null
  check_files "$tree"
  echo "== installed files: $failures failure(s)"
  [ "$failures" -eq 0 ]
  exit
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
  # The user's desktop, if one was started, ends itself.
  if [ -e "$work/desktop.sh" ]; then
    touch "$work/desktop-stop"
    for _ in $(seq 20); do pgrep -u "$user" >/dev/null || break; sleep 0.5; done
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
# Qt's own dialogs (the folder chooser) speak Japanese only with Qt's translations.
dpkg-deb -f "$deb" Depends | tr ',' '\n' | grep -qx ' *qt6-translations-l10n' &&
  pass "depends on qt6-translations-l10n (Qt's dialogs in Japanese)" ||
  fail "no dependency on qt6-translations-l10n: $(dpkg-deb -f "$deb" Depends)"
changelog_version=$(sed -n '1s/^quilbex (\([^)]*\)).*/\1/p' "$root/packaging/debian/changelog")
package_version=$(dpkg-deb -f "$deb" Version)
[ "$changelog_version" = "$package_version" ] && pass "changelog is at $package_version" ||
  fail "changelog is at $changelog_version, the package at $package_version"

echo "== desktop files, metadata, manual page, engine"
mkdir -p "$work/tree" && dpkg-deb -x "$deb" "$work/tree"
check_files "$work/tree"

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

# A run on a desktop of the user's own (Xvfb, a session bus, dunst keeping
# every bubble): its notification's helper waits for an answer, and has to be
# gone once the package is.
helper_started=no
if command -v Xvfb >/dev/null && command -v dbus-run-session >/dev/null && command -v dunst >/dev/null; then
  cp "$root/samples/sample.pdf" "$work/home/desktop.pdf" && chown "$user:" "$work/home/desktop.pdf"
  printf '[urgency_low]\n timeout = 0\n[urgency_normal]\n timeout = 0\n[urgency_critical]\n timeout = 0\n' > "$work/dunstrc"
  cat > "$work/desktop.sh" <<'EOS'
#!/bin/sh
# As the user: $1 the file to convert, $2 the folder of the check.
Xvfb :87 -nolisten tcp >/dev/null 2>&1 &
x=$!
sleep 1
DISPLAY=:87 dbus-run-session -- sh -c 'dunst -conf "$2/dunstrc" >/dev/null 2>&1 & d=$!; sleep 1;
  quilbex "$1" >/dev/null 2>&1; echo $? > "$2/desktop-status";
  while [ ! -e "$2/desktop-stop" ]; do sleep 0.5; done; kill $d' sh "$1" "$2"
kill $x
EOS
  chmod 755 "$work/desktop.sh"
  as_user "$work/desktop.sh" "$work/home/desktop.pdf" "$work" &
  for _ in $(seq 60); do [ -s "$work/desktop-status" ] && break; sleep 0.5; done
  sleep 1
  if pgrep -u "$user" -f -- '--notification-helper' >/dev/null; then
    helper_started=yes
    pass "a run on a desktop left its notification's helper waiting (status $(cat "$work/desktop-status" 2>/dev/null))"
  else
    fail "no notification helper after a run on a desktop (status $(cat "$work/desktop-status" 2>/dev/null))"
  fi
fi

echo "== remove and purge (the package has no conffiles: removing it leaves nothing to purge)"
dpkg -L quilbex > "$work/files.txt"
DEBIAN_FRONTEND=noninteractive "${apt_get[@]}" remove quilbex >/dev/null 2>&1 || fail "apt-get remove"
left=$(while read -r f; do [ -f "$f" ] || [ -L "$f" ] && echo "$f"; done < "$work/files.txt" || true)
[ -z "$left" ] && pass "remove: none of its $(wc -l < "$work/files.txt") paths is left as a file" ||
  fail "remove left: $left"
dpkg --purge quilbex >/dev/null 2>&1 || fail "dpkg --purge"
dpkg-query -W quilbex >/dev/null 2>&1 && fail "dpkg still knows quilbex" || pass "purged"
if [ "$helper_started" = yes ]; then
  for _ in $(seq 40); do pgrep -u "$user" quilbex >/dev/null || break; sleep 0.5; done
  running=$(pgrep -a -u "$user" quilbex || true)
  [ -z "$running" ] && pass "nothing of Quilbex runs after the purge" || fail "still running after the purge: $running"
fi
touch "$work/desktop-stop"
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
