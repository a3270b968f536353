#!/usr/bin/env bash
# The Debian package as a user gets it: built, checked by lintian, its menu
# entry and AppStream data validated, installed with apt-get, started from
# its menu entry's Exec line by an ordinary user on a throwaway X desktop,
# ended with SIGTERM, and removed again without a file left behind.
#
# Run as root (CI does, after scripts/test.sh; others go through sudo). It
# changes the machine only by installing the checkers (lintian,
# desktop-file-utils, appstream) and installing and removing the package;
# without an ordinary user it makes one for the run and deletes it after.
#   package_test.sh [BUILD_DIR [ARTIFACTS]]
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-build}
artifacts=${2:-$build/artifacts}
cd "$top"

if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "SKIP: installing the package needs root"; exit 77; }
    exec sudo bash "$top/tests/package/package_test.sh" "$build" "$artifacts"
fi
# Started through sudo, the build folder stays its owner's.
as_builder=()
[ -n "${SUDO_USER:-}" ] && as_builder=(runuser -u "$SUDO_USER" --)
. "$top/tests/desktop/checks.sh"
require Xvfb jwm xdotool xprop import setpriv getcap
# Whether dpkg holds anything of the package, installed or half removed.
vesk_known() {
    local status
    status=$(dpkg-query -W -f='${db:Status-Status}' vesk 2>/dev/null)
    [ -n "$status" ] && [ "$status" != not-installed ]
}
if vesk_known; then
    echo "FAIL: vesk is installed already; this test installs and removes it"
    exit 1
fi

apt_get() {
    DEBIAN_FRONTEND=noninteractive apt-get "$@" -y -qq -o Dpkg::Use-Pty=0 >"$scratch/apt.log" 2>&1 ||
        { cat "$scratch/apt.log"; return 1; }
}

scratch=$(mktemp -d /tmp/vesk-package.XXXXXX)
made_user=
program=
. "$top/tests/desktop/desktop.sh"
cleanup() {
    [ -n "$program" ] && kill -KILL "$program" 2>/dev/null
    desktop_stop
    vesk_known && apt_get remove --purge vesk
    [ -n "$made_user" ] && userdel "$made_user"
    rm -rf "$scratch" "${WORK:-}"
}
trap cleanup EXIT

missing=()
for p in lintian desktop-file-utils appstream; do
    dpkg-query -W -f='${Status}' $p 2>/dev/null | grep -q 'ok installed' || missing+=($p)
done
if [ ${#missing[@]} -gt 0 ]; then
    apt_get update
    apt_get install --no-install-recommends "${missing[@]}" || exit 1
fi

deb=$("${as_builder[@]}" env VESK_BUILD_DIR="$build" scripts/package.sh | tail -n1)
check "the package is built" test -f "$deb"
[ -f "$deb" ] || exit 1

# The package's own checks, before anything is installed.
lintian --fail-on error "$deb" >"$scratch/lintian.log" 2>&1
lintian_status=$?
grep -v 'running with root privileges' "$scratch/lintian.log"
check "lintian finds no error" test $lintian_status -eq 0
dpkg-deb -x "$deb" "$scratch/root"
dpkg-deb -e "$deb" "$scratch/control"
id=org.vesk.Vesk
check "the menu entry is valid" desktop-file-validate "$scratch/root/usr/share/applications/$id.desktop"
check "the AppStream data is valid" appstreamcli validate --no-net "$scratch/root/usr/share/metainfo/$id.metainfo.xml"
check "no test program is in the package" bash -c "! dpkg-deb -c '$deb' | grep -E -i 'test|launcher|render-icon'"

# On a file system without capabilities setcap fails: the package still
# installs and says what to do.
mkdir -p "$scratch/nocaps"
printf '#!/bin/sh\necho "Failed to set capabilities on file: Operation not supported" >&2\nexit 1\n' \
    >"$scratch/nocaps/setcap"
chmod +x "$scratch/nocaps/setcap"
PATH="$scratch/nocaps:$PATH" sh "$scratch/control/postinst" configure 2>"$scratch/postinst.err"
check "postinst succeeds where setcap cannot" test $? -eq 0
check "and tells the administrator what to run" \
    grep -q 'setcap cap_sys_time+p /usr/lib/vesk/vesk-sync' "$scratch/postinst.err"

check "the package was not installed" bash -c '! dpkg -L vesk >/dev/null 2>&1'
check "apt-get installs it" apt_get install --no-install-recommends "$(realpath "$deb")"
dpkg -L vesk >"$scratch/files"
check "the helper alone may set the clock" \
    test "$(getcap /usr/lib/vesk/vesk-sync | sed 's/.* //')" = cap_sys_time=p
check "the program may not" test -z "$(getcap /usr/lib/vesk/Vesk /usr/bin/vesk-compare)"
check "the commands are on the path" test -x /usr/bin/Vesk -a -x /usr/bin/vesk-sync -a -x /usr/bin/vesk-compare
check "the data files are shared" test -f "/usr/share/vesk/세계시간표.txt"

# An ordinary user starts it from the menu entry's Exec line on a throwaway
# desktop, with a home of its own in a temporary folder.
user=$(getent passwd | awk -F: '$3 >= 1000 && $3 < 60000 { print $1; exit }')
if [ -z "$user" ]; then
    user=vesk-pkgtest
    useradd --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" || exit 1
    made_user=$user
fi
mkdir -p "$scratch/empty"
desktop_start "$scratch/empty"
home=$WORK/home
chmod 711 "$WORK"   # the user reaches its home and runtime folders inside
# No compare and no synchronisation at start: no traffic leaves the machine.
mkdir -p "$home/.config/Vesk Client V3.3"
printf '[Vesk]\nAutoCompare=0\nAutoCon=0\n' >"$home/.config/Vesk Client V3.3/Vesk.conf"
chown -R "$user:" "$home" "$WORK/runtime"
exec_line=$(sed -n 's/^Exec=//p' "/usr/share/applications/$id.desktop" | sed -E 's/ ?%[fFuUdDnNickvm]//g')
check "the menu entry names the command" test "$exec_line" = Vesk
netns=()
unshare -n true 2>/dev/null && netns=(unshare -n)
# Without the right to set the clock in its bounding set, so even the helper
# cannot set it if something asked for a synchronise.
"${netns[@]}" setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups \
    --inh-caps=-all --bounding-set=-sys_time \
    env -i HOME="$home" DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$WORK/runtime" \
        PATH=/usr/bin:/bin LANG=C.UTF-8 sh -c "cd / && exec $exec_line" \
    >"$scratch/program.log" 2>&1 &
program=$!
main=$(desktop_wait_window Vesk3 15)
check "the main window is shown" test -n "$main"
[ -n "$main" ] || cat "$scratch/program.log"
folder=$home/.local/share/vesk
if [ -n "$main" ]; then
    "${as_builder[@]}" mkdir -p "$artifacts"
    import -window "$main" "$artifacts/package-main-window.png"
    [ -z "${SUDO_USER:-}" ] || chown "$SUDO_USER:" "$artifacts/package-main-window.png"
    check "it runs as the user" test "$(stat -c %U "/proc/$program")" = "$user"
    check "it holds no capability" \
        test "$(grep -E '^Cap(Inh|Prm|Eff|Amb):' "/proc/$program/status" | awk '{ print $2 }' | sort -u)" = 0000000000000000
    check "it runs in the user's own folder" test "$(readlink "/proc/$program/cwd")" = "$folder"
fi
check "the folder is the user's" test "$(stat -c %U:%a "$folder" 2>/dev/null)" = "$user:700"
check "and holds the data files" cmp -s "/usr/share/vesk/세계시간표.txt" "$folder/세계시간표.txt"

kill -TERM "$program"
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
check "SIGTERM ends it" bash -c "! kill -0 $program 2>/dev/null"
wait "$program" 2>/dev/null
program=
desktop_stop

check "apt-get removes it" apt_get remove --purge vesk
check "dpkg knows it no more" bash -c '! dpkg -L vesk >/dev/null 2>&1'
# Every file is gone; a folder may stay only when another package owns it.
left=()
while IFS= read -r path; do
    [ "$path" = /. ] && continue
    if [ -L "$path" ] || [ -f "$path" ]; then
        left+=("$path")
    elif [ -d "$path" ] && ! dpkg -S "$path" >/dev/null 2>&1; then
        left+=("$path")
    fi
done <"$scratch/files"
check "no file is left behind ${left[*]}" test ${#left[@]} -eq 0
check "the user's folder stays" test -f "$folder/세계시간표.txt"

echo "$fails failed"
[ $fails -eq 0 ]
