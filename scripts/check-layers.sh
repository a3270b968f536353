#!/usr/bin/env bash
# Prints every include that points up or sideways between the folders and
# exits 1 if there is one. A folder may include itself and the layers below
# it; a test folder (tests/X) counts as the folder X it tests.
#
#   shell                                the application, knows every folder
#   time  clocks  serial  schedule       one subsystem each, never each other
#   base  sound                          what the subsystems share
#   resources                            ids and pictures
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A layer=(
    [resources]=0
    [base]=1 [sound]=1
    [time]=2 [clocks]=2 [serial]=2 [schedule]=2
    [shell]=3
)

bad=0
while IFS= read -r file; do
    from=${file#tests/}
    from=${from%%/*}
    [ -n "${layer[$from]+x}" ] || continue
    while IFS=: read -r line to; do
        [ -n "${layer[$to]+x}" ] || continue
        if [ "$to" != "$from" ] && [ "${layer[$to]}" -ge "${layer[$from]}" ]; then
            printf '%s:%s: %s includes %s/\n' "$file" "$line" "$from" "$to"
            bad=1
        fi
    done < <(grep -n -o -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[A-Za-z_]+/' "$file" |
             sed -E 's/^([0-9]+):.*"([A-Za-z_]+)\/$/\1:\2/')
done < <(git ls-files -- '*.h' '*.cpp')

if [ "$bad" -ne 0 ]; then
    echo "Includes must point down a layer (see the table at the top of $0)." >&2
    exit 1
fi
echo "Every include points down a layer."
