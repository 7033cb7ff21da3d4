#!/usr/bin/env bash
# End-to-end cases for unfcheck: every message, the exit status, the
# records it writes out, a pipe as input, and the round trip with recslice.
# usage: unfcheck.sh [--windows] UNFCHECK RECSLICE [RUNNER...]  (see harness.sh)
# Each case's in.bin is the UNF file and out.unf the records written out.
windows_flag=()
[ "${1:-}" != --windows ] || { windows_flag=(--windows); shift; }
recslice=$(realpath "$2")
set -- "${windows_flag[@]}" "$1" "${@:3}"
source "$(dirname "$0")/harness.sh"

usage='\nUsage: UNFCHECK <UNFfile> [<Destfile>]\n\n'
usage+='    This utility reads a UNF file once, front to back, and checks that it\n'
usage+='    is whole: every record framed as its length, a comma, the bytes and\n'
usage+='    CR LF, and one end mark after the last.\n'
usage+='    <UNFfile> is the UNF file to check.\n'
usage+='    <Destfile>, if given, receives the records'"'"' bytes, one after another.\n'
checked() { printf 'Completed.  Checked %s.\\r\\n' "$1"; }
broken() { printf 'Error in UNF file <%s> at byte %s: expected %s.\\r\\n' "$1" "$2" "$3"; }
example='3,abc\r\n3,def\r\n\032'

# round_trip SIZE NUMBYTES HEADER: in.bin is recslice's UNF of a random
# source, want.bin that source after its header.
round_trip() {
    head -c "$1" /dev/urandom >data.bin
    "${runner[@]}" "$recslice" data.bin in.bin "$2" "$3" >/dev/null 2>&1
    tail -c +$(($3 + 1)) data.bin >want.bin
}

# --- the command line
t no_arguments 1 '' - '' "$usage" -
t three_arguments 1 'in.bin out.unf extra' "$example" '' "$usage" -
t missing_file 1 'missing.unf' - '' 'Unable to open UNF file <missing.unf>.\r\n' -

# --- whole files
t check_only 0 'in.bin' "$example" "$(checked '2 Lines of 3 Bytes')" '' -
t extract 0 'in.bin out.unf' "$example" "$(checked '2 Lines of 3 Bytes')" '' 'abcdef'
t lengths_differ 0 'in.bin out.unf' '1,a\r\n0,\r\n5,bcdef\r\n\032' "$(checked '3 Lines of 0 to 5 Bytes')" '' 'abcdef'
t no_records 0 'in.bin out.unf' '\032' "$(checked '0 Lines')" '' ''
t round_trip 0 'in.bin out.unf' - "$(checked '3000 Lines of 100 Bytes')" '' @want.bin 'round_trip 300016 100 16'
t round_trip_largest_records 0 'in.bin out.unf' - "$(checked '5 Lines of 57000 Bytes')" '' @want.bin \
    'round_trip 285000 57000 0'
t_posix pipe_input 0 '/dev/stdin out.unf' - "$(checked '2 Lines of 3 Bytes')" '' 'abcdef' "printf '$example' >.feed"

# --- broken files: the message, and only the whole records before the break
t empty_file 1 'in.bin out.unf' '' '' "$(broken in.bin 0 'a length digit or the end mark')" ''
t failed_conversion 1 'in.bin out.unf' '3,abc\r\n3,def\r\n' '' "$(broken in.bin 14 'a length digit or the end mark')" 'abcdef'
t bytes_after_end_mark 1 'in.bin out.unf' '3,abc\r\n\032x' '' "$(broken in.bin 8 'the end of the file after the end mark')" 'abc'
t leading_zero 1 'in.bin out.unf' '3,abc\r\n03,def\r\n\032' '' \
    "$(broken in.bin 8 'the comma (a length has no leading zero)')" 'abc'
t no_comma 1 'in.bin' '3abc\r\n\032' '' "$(broken in.bin 1 'a length digit or the comma')" -
t ends_inside_record 1 'in.bin out.unf' '3,abc\r\n5,de' '' "$(broken in.bin 11 '3 more bytes of the record')" 'abc'
t half_cr_lf 1 'in.bin out.unf' '3,abc\r\n3,def\rx' '' "$(broken in.bin 13 'the LF of CR LF')" 'abc'
t length_too_long 1 'in.bin out.unf' '99999999999999999999,x\r\n\032' '' \
    "$(broken in.bin 18 'the comma (the length is too long to be real)')" ''
t broken_name_outside_ascii 1 'données-日本.unf' - '' "$(broken 'données-日本.unf' 0 'a length digit or the end mark')" - \
    ': >données-日本.unf'

# --- the destination: refused as recslice refuses it, and its failures
t dest_is_the_unf_file 1 'in.bin in.bin' "$example" '' 'Destination File <in.bin> is the source file.\r\n' -
t dest_is_stdout 1 'in.bin .stdout' "$example" '' 'Destination File <.stdout> is standard output.\r\n' -
t_posix dest_is_dev_full 1 'in.bin /dev/full' "$example" '' 'Error writing destination file.\r\n' -
t_posix summary_cannot_be_written 1 'in.bin out.unf' "$example" '' 'Error writing summary.\r\n' 'abcdef' \
    'wrap=(bash -c "exec \"\$@\" >/dev/full" full)'

# --- an interrupt: the whole records read so far are out before the wait,
# the half one is not, and the tool dies of the signal
t_posix interrupted_while_waiting 143 '/dev/stdin out.unf' - '' 'Check interrupted.\r\n' 'abc' \
    'with_default_interrupts
     feed() { printf "3,abc\r\n3,d"; wait_for test -s out.unf && kill -s TERM "$(cat .pid)"; sleep 1; printf "ef\r\n\032"; }'

finish
