#!/usr/bin/env bash
# Throughput and memory of recslice against plain copies of its own output.
#
# usage: bench/throughput.sh [RECSLICE] [ROUNDS] [BEFORE]
#   RECSLICE  the binary (default build/default/recslice)
#   ROUNDS    alternating rounds per record size (default 7)
#   BEFORE    another recslice binary, an earlier build, timed in the same
#             rounds so that a change is judged side by side
#
# For each record size, recslice converts a random source of whole records
# with stderr redirected to a file; dd bs=128K (the user-space copy limit:
# the same bytes read and written once) and cat (a copy in the kernel) copy
# recslice's output. The three run in turn, round after round, so a noisy
# neighbour hits them alike; the table shows median times and the median of
# each round's ratio. Then peak RSS for a 20 MB and a 2 GB source fed
# through a pipe (needs GNU time, Debian package "time").
set -eu

tool=$(realpath "${1:-build/default/recslice}")
rounds=${2:-7}
before=
[ -z "${3:-}" ] || before=$(realpath "$3")
source "$(dirname "$0")/common.sh"
work_in bench
run_tool() { "$tool" src.bin out.unf "$1" 0 >/dev/null 2>err.txt; }
run_before() { "$before" src.bin before.unf "$1" 0 >/dev/null 2>err.txt; }
run_dd() { dd if=out.unf of=copy.unf bs=128K status=none; }
run_cat() { cat out.unf >copy.unf; }

echo "machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo), $(uname -sr), files in $base"
if [ -n "$before" ]; then
    echo "rounds: $rounds, alternating recslice, dd bs=128K, cat, and the build before ($before)"
    echo
    printf '| NumBytes | source | output | recslice s | dd s | cat s | recslice/dd | recslice/cat | before s | before/dd |\n'
    printf '|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
else
    echo "rounds: $rounds, alternating recslice, dd bs=128K, cat"
    echo
    printf '| NumBytes | source | output | recslice s | dd s | cat s | recslice/dd | recslice/cat |\n'
    printf '|---:|---:|---:|---:|---:|---:|---:|---:|\n'
fi
for run in 1:20000000 100:300000000 4096:300000000 57000:300000000; do
    size=${run%%:*}
    total=${run#*:}
    head -c $((total / size * size)) /dev/urandom >src.bin
    run_tool "$size"
    : >t_tool
    : >t_dd
    : >t_cat
    : >r_dd
    : >r_cat
    : >t_before
    : >r_before
    for _ in $(seq "$rounds"); do
        a=$(elapsed run_tool "$size")
        b=$(elapsed run_dd)
        c=$(elapsed run_cat)
        echo "$a" >>t_tool
        echo "$b" >>t_dd
        echo "$c" >>t_cat
        awk -v a="$a" -v b="$b" 'BEGIN { print a / b }' >>r_dd
        awk -v a="$a" -v c="$c" 'BEGIN { print a / c }' >>r_cat
        if [ -n "$before" ]; then
            d=$(elapsed run_before "$size")
            echo "$d" >>t_before
            awk -v d="$d" -v b="$b" 'BEGIN { print d / b }' >>r_before
        fi
    done
    row=$(printf '| %s | %s MB | %s MB | %.3f | %.3f | %.3f | %.2f | %.2f |' "$size" \
        $((total / 1000000)) $(($(stat -c %s out.unf) / 1000000)) \
        "$(median <t_tool | awk '{ print $1 / 1e9 }')" "$(median <t_dd | awk '{ print $1 / 1e9 }')" \
        "$(median <t_cat | awk '{ print $1 / 1e9 }')" "$(median <r_dd)" "$(median <r_cat)")
    [ -z "$before" ] ||
        row+=$(printf ' %.3f | %.2f |' "$(median <t_before | awk '{ print $1 / 1e9 }')" "$(median <r_before)")
    echo "$row"
done
rm -f src.bin out.unf before.unf copy.unf err.txt

echo
if [ -x /usr/bin/time ]; then
    echo "| source through a pipe | NumBytes | peak RSS KiB |"
    echo "|---:|---:|---:|"
    # Whole 57000-byte records: 350 and 35000 of them.
    for bytes in 19950000 1995000000; do
        for size in 1 57000; do
            head -c "$bytes" /dev/zero | /usr/bin/time -o rss.txt -f %M "$tool" /dev/stdin /dev/null "$size" 0 >/dev/null 2>&1 ||
                echo "recslice failed on the pipe"
            echo "| $((bytes / 1000000)) MB | $size | $(tail -n 1 rss.txt) |"
        done
    done
else
    echo "peak RSS: skipped, /usr/bin/time is missing (apt-get install time)"
fi
