#!/usr/bin/env bash
# What the spinner costs on a console: the tool runs in a tmux pane (80x24)
# with stderr on the pane, then with stderr redirected to a file, round
# after round; the table shows median times and the median of each round's
# ratio. The Windows build runs the same way in wine's console when wine
# and the .exe are there.
#
# usage: bench/console.sh [RECSLICE] [ROUNDS] [RECSLICE_EXE]
#   RECSLICE      the binary (default build/default/recslice)
#   ROUNDS        alternating rounds per case (default 5)
#   RECSLICE_EXE  the Windows build (default build/windows/recslice.exe)
set -eu

tool=$(realpath "${1:-build/default/recslice}")
rounds=${2:-5}
exe=${3:-build/windows/recslice.exe}
[ ! -e "$exe" ] || exe=$(realpath "$exe")
command -v tmux >/dev/null || { echo "tmux is missing"; exit 1; }
source "$(dirname "$0")/common.sh"
session=recslice-console-$$
work_in console
trap 'tmux kill-session -t "$session" 2>/dev/null; rm -rf "$work"' EXIT

# in_pane LABEL NUMBYTES COMMAND...: runs COMMAND (the tool, src.bin to
# out.unf) in a fresh pane, alternating stderr on the pane and stderr to a
# file, and prints the table row.
in_pane() {
    local label=$1 size=$2
    shift 2
    rm -f times done
    {
        echo 'now() { date +%s%N; }'
        printf 'run() { %s src.bin out.unf %s 0; }\n' "$*" "$size"
        # Once untimed, so that neither side pays for a cold start (wine's
        # server, the page cache).
        echo 'run 2>/dev/null'
        echo "for r in \$(seq $rounds); do"
        echo '    a=$(now); run; b=$(now); run 2>err.txt; c=$(now)'
        echo '    echo "$((b - a)) $((c - b))" >>times'
        echo 'done'
        echo 'touch done'
    } >pane.sh
    tmux -f /dev/null new-session -d -s "$session" -x 80 -y 24 "bash pane.sh; sleep 600"
    while [ ! -e done ]; do sleep 0.2; done
    tmux kill-session -t "$session"
    printf '| %s | %s MB | %.3f | %.3f | %.2f |\n' "$label" $(($(stat -c %s src.bin) / 1000000)) \
        "$(awk '{ print $1 / 1e9 }' times | median)" "$(awk '{ print $2 / 1e9 }' times | median)" \
        "$(awk '{ print $1 / $2 }' times | median)"
}

echo "machine: $(nproc) cores, $(uname -sr), tmux $(tmux -V | cut -d' ' -f2), files in $base"
echo "rounds: $rounds, alternating stderr on the pane and stderr to a file"
echo
echo '| NumBytes | source | stderr on the terminal s | stderr to a file s | ratio |'
echo '|---:|---:|---:|---:|---:|'
head -c 5000000 /dev/urandom >src.bin
in_pane 1 1 "$tool"
head -c 100000000 /dev/urandom >src.bin
in_pane 100 100 "$tool"
if command -v wine >/dev/null && [ -e "$exe" ]; then
    head -c 1000000 /dev/urandom >src.bin
    in_pane "1 (Windows build in wine's console)" 1 WINEDEBUG=-all wine "$exe"
else
    echo "Windows build: skipped, wine or $exe is missing"
fi
