# Sourced by the scripted tests: what they need and how they count.
#   require TOOL...          skips the test (exit 77) when one is missing
#   check WHAT COMMAND...    runs COMMAND, prints ok or FAIL, counts fails

fails=0

require() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/setup.sh --tests)"; exit 77; }
    done
}

check() {
    local what=$1
    shift
    if "$@"; then echo "ok - $what"; else echo "FAIL - $what"; fails=$((fails + 1)); fi
}
