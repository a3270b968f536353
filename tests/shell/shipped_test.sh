#!/usr/bin/env bash
# The shipped program can never set the clock itself and has no way to be
# given time servers: only the helper imports clock_adjtime (and it steps
# the clock, never sets it to a time read beforehand), the helper links
# nothing that starts programs or reads the environment or the user's
# files, and the program holds no test variable.
#   shipped_test.sh VESK VESK_SYNC
set -u
vesk=$1 helper=$2
command -v nm >/dev/null || { echo "SKIP: nm is not installed"; exit 77; }

fails=0
check() {   # check "what" command...
    local what=$1; shift
    if "$@"; then echo "ok - $what"; else echo "FAIL - $what"; fails=$((fails + 1)); fi
}
imports() { nm -D --undefined-only "$1" | grep -qw "$2"; }

check "the helper imports clock_adjtime" imports "$helper" clock_adjtime
check "the helper does not import clock_settime" bash -c "! nm -D --undefined-only '$helper' | grep -qw clock_settime"
for f in posix_spawn getenv readlink getpwuid_r; do
    check "the helper does not import $f" bash -c "! nm -D --undefined-only '$helper' | grep -qw $f"
done
check "the program does not import clock_adjtime" bash -c "! nm -D --undefined-only '$vesk' | grep -qw clock_adjtime"
check "the program does not import clock_settime" bash -c "! nm -D --undefined-only '$vesk' | grep -qw clock_settime"
check "the program does not change capabilities" bash -c "! nm -D --undefined-only '$vesk' | grep -qw cap_set_proc"
check "the program names no test variable" bash -c "! grep -q VESK_TEST '$vesk'"

echo "$fails failed"
[ $fails -eq 0 ]
