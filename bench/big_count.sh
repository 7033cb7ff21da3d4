#!/usr/bin/env bash
# More than 2^32 one-byte records through a pipe: the count must not wrap.
# Too slow for CI. The spinner's 8.6 GB of pairs go to /dev/null.
# usage: bench/big_count.sh [RECSLICE]   (default build/default/recslice)
set -eu
tool=${1:-build/default/recslice}
want="Completed.  Copied 4294967297 Lines."
start=$(date +%s%N)
got=$(head -c 4294967297 /dev/zero | "$tool" /dev/stdin /dev/null 1 0 2>/dev/null | tr -d '\r')
end=$(date +%s%N)
echo "$got"
echo "took $(((end - start) / 1000000)) ms"
[ "$got" = "$want" ] || { echo "FAIL: expected \"$want\""; exit 1; }
