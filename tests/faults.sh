#!/usr/bin/env bash
# Fault cases: under any fault the tool either fails cleanly (exit 1, one
# message, no summary, only complete records in the destination) or gives
# the exact output. POSIX only: they use devices, limits and strace.
# usage: faults.sh TOOL  (see harness.sh)
source "$(dirname "$0")/harness.sh"

# t_strace ...: a case that injects faults with strace, skipped without it.
t_strace() {
    if ! command -v strace >/dev/null; then
        echo "skipped $1: strace is missing"
        skipped=$((skipped + 1))
        return
    fi
    t "$@"
}

# strace_on FILE RULE: run the tool under strace, faulting its syscalls on
# FILE. A sanitizer build's leak check cannot run under ptrace: it is off there.
strace_on() {
    wrap=(strace -f -qqq -o /dev/null -E ASAN_OPTIONS=detect_leaks=0 -P "$PWD/$1" -e inject="$2")
}
# limit_size KIB: run the tool with its file size capped, SIGXFSZ ignored.
limit_size() { wrap=(bash -c "trap '' XFSZ; ulimit -f $1; exec \"\$@\"" limit); }

# --- the destination cannot take the output
t dest_is_dev_full 1 'in.bin /dev/full 3 0' 'abcdef' '' "$(settings 0 3)$(glyphs 2)$write_error" -
t dest_links_to_dev_full 1 'in.bin out.unf 3 0' 'abcdef' '' "$(settings 0 3)$(glyphs 2)$write_error" '*' \
    'ln -s /dev/full out.unf'
# 1000-byte records make 1007-byte frames: a 3 KiB limit falls inside the fourth.
t size_limit_mid_record 1 'in.bin out.unf 1000 0' - '' "$(settings 0 1000)$(glyphs 4)$write_error" @want.unf \
    'head -c 4000 /dev/urandom >in.bin; frames in.bin 1000 0 3 >want.unf; limit_size 3'
# Three frames of "1017," 1017 bytes and CR LF fill 3 KiB exactly: the limit hits the 0x1A.
t size_limit_at_end_mark 1 'in.bin out.unf 1017 0' - '' "$(settings 0 1017)$(glyphs 3)$write_error" @want.unf \
    'head -c 3051 /dev/urandom >in.bin; frames in.bin 1017 0 3 >want.unf; limit_size 3'
t size_limit_not_reached 0 'in.bin out.unf 1017 0' - "$(lines 2)" "$(settings 0 1017)$(glyphs 2)" @want.unf \
    'head -c 2034 /dev/urandom >in.bin; { frames in.bin 1017 0 2; printf "\032"; } >want.unf; limit_size 3'

# --- injected I/O errors (reads come in 128 KiB blocks)
t_strace eio_first_read 1 'in.bin out.unf 3 0' 'abcdef' '' "$(settings 0 3)$read_error" '' \
    'strace_on in.bin read:error=EIO:when=1'
t_strace eio_later_read 1 'in.bin out.unf 1024 0' - '' "$(settings 0 1024)$(glyphs 128)$read_error" @want.unf \
    'head -c 204800 /dev/urandom >in.bin; frames in.bin 1024 0 128 >want.unf; strace_on in.bin read:error=EIO:when=2'
t_strace eio_later_read_mid_record 1 'in.bin out.unf 1000 0' - '' "$(settings 0 1000)$(glyphs 132)$read_error" @want.unf \
    'head -c 204000 /dev/urandom >in.bin; frames in.bin 1000 0 131 >want.unf; strace_on in.bin read:error=EIO:when=2'
t_strace eio_in_header 1 'in.bin out.unf 4 200000' - '' "$(settings 200000 4)$header_error" '' \
    'head -c 200008 /dev/urandom >in.bin; strace_on in.bin read:error=EIO:when=2'
t_strace eio_on_write 1 'in.bin out.unf 3 0' 'abcdef' '' "$(settings 0 3)$(glyphs 2)$write_error" '' \
    'strace_on out.unf write:error=EIO:when=1'
t_strace eio_on_close 1 'in.bin out.unf 3 0' 'abcdef' '' "$(settings 0 3)$(glyphs 2)$write_error" \
    '3,abc\r\n3,def\r\n\032' 'strace_on out.unf close:error=EIO'
t_strace eintr_on_read 0 'in.bin out.unf 3 1' 'Habcdef' "$(lines 2)" "$(settings 1 3)$(glyphs 2)" \
    '3,abc\r\n3,def\r\n\032' 'strace_on in.bin read:error=EINTR:when=1'

# --- odd sources and closed console streams
t source_is_a_folder 1 '. out.unf 3 0' - '' "$(settings 0 3)$read_error" ''
t source_is_a_folder_with_header 1 '. out.unf 3 2' - '' "$(settings 2 3)$header_error" ''
t pipe_in_odd_pieces 0 '/dev/stdin out.unf 3 2' - "$(lines 3)" "$(settings 2 3)$(glyphs 3)" \
    '3,abc\r\n3,def\r\n3,ghi\r\n\032' \
    'feed() { printf H; sleep 0.1; printf Hab; sleep 0.1; printf cdefg; sleep 0.1; printf h; sleep 0.1; printf i; }'
t stdout_closed 0 'in.bin out.unf 3 0' 'abcdef' '' "$(settings 0 3)$(glyphs 2)" '3,abc\r\n3,def\r\n\032' \
    'wrap=(bash -c "exec \"\$@\" >&-" closer)'
t stderr_closed 0 'in.bin out.unf 3 0' 'abcdef' "$(lines 2)" '' '3,abc\r\n3,def\r\n\032' \
    'wrap=(bash -c "exec \"\$@\" 2>&-" closer)'
t stdout_full 1 'in.bin out.unf 3 0' 'abcdef' '' "$(settings 0 3)$(glyphs 2)Error writing summary.\r\n" \
    '3,abc\r\n3,def\r\n\032' 'wrap=(bash -c "exec \"\$@\" >/dev/full" full)'

finish
