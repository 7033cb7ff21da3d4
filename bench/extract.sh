#!/usr/bin/env bash
# Speed and memory of unfcheck reading records back out of a UNF file.
#
# usage: bench/extract.sh [BUILD] [ROUNDS]
#   BUILD   the folder with unfcheck and recslice (default build/default)
#   ROUNDS  alternating rounds per record size (default 7)
#
# For each record size, recslice makes a 300 MB UNF file in a tmpfs; then
# `unfcheck out.unf back.bin` and dd bs=128K (the same bytes read and
# written once in user space) copying the UNF file take turns, round after
# round, so a noisy neighbour hits them alike. The table shows median times
# and the median of each round's ratio. Then peak RSS for a 20 MB and a 2 GB
# UNF file fed through a pipe (needs GNU time, Debian package "time").
set -eu

build=$(realpath "${1:-build/default}")
rounds=${2:-7}
source "$(dirname "$0")/common.sh"
work_in extract
run_unfcheck() { "$build/unfcheck" out.unf back.bin >/dev/null; }
run_dd() { dd if=out.unf of=copy.unf bs=128K status=none; }

echo "machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo), $(uname -sr), files in $base"
echo "rounds: $rounds, alternating unfcheck and dd bs=128K"
echo
echo '| NumBytes | UNF file | unfcheck s | dd s | unfcheck/dd |'
echo '|---:|---:|---:|---:|---:|'
for size in 100 57000; do
    head -c $((300000000 / size * size)) /dev/urandom >src.bin
    "$build/recslice" src.bin out.unf "$size" 0 >/dev/null 2>&1
    rm src.bin
    run_unfcheck
    : >t_unf
    : >t_dd
    : >ratio
    for _ in $(seq "$rounds"); do
        a=$(elapsed run_unfcheck)
        b=$(elapsed run_dd)
        echo "$a" >>t_unf
        echo "$b" >>t_dd
        awk -v a="$a" -v b="$b" 'BEGIN { print a / b }' >>ratio
    done
    printf '| %s | %s MB | %.3f | %.3f | %.2f |\n' "$size" $(($(stat -c %s out.unf) / 1000000)) \
        "$(median <t_unf | awk '{ print $1 / 1e9 }')" "$(median <t_dd | awk '{ print $1 / 1e9 }')" "$(median <ratio)"
done
rm -f out.unf back.bin copy.unf

echo
if [ -x /usr/bin/time ]; then
    echo "| UNF file through a pipe | NumBytes | peak RSS KiB |"
    echo "|---:|---:|---:|"
    # recslice writes the UNF down the pipe through descriptor 3.
    for bytes in 19950000 1995000000; do
        for size in 1 57000; do
            head -c "$bytes" /dev/zero |
                "$build/recslice" /dev/stdin /dev/fd/3 "$size" 0 3>&1 >/dev/null 2>/dev/null |
                /usr/bin/time -o rss.txt -f %M "$build/unfcheck" /dev/stdin /dev/null >/dev/null ||
                echo "unfcheck failed on the pipe"
            echo "| $((bytes / 1000000)) MB of records | $size | $(tail -n 1 rss.txt) |"
        done
    done
else
    echo "peak RSS: skipped, /usr/bin/time is missing (apt-get install time)"
fi
