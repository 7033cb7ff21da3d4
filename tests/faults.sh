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
# delay_open FILE: the tool's open of FILE, which does not exist yet, waits
# 1.5 s. strace matches a file that does not exist only as the tool spells it.
delay_open() {
    wrap=(strace -f -qqq -o /dev/null -E ASAN_OPTIONS=detect_leaks=0 -P "$1" -e inject=openat:delay_enter=1500000)
}
# limit_size KIB: run the tool with its file size capped, SIGXFSZ left at
# its default, which would kill a tool that did not ignore it.
limit_size() { wrap=(bash -c "trap - XFSZ; ulimit -f $1; exec \"\$@\"" limit); }

drawn() { [ "$(tr -cd '\b' <.stderr | wc -c)" -ge "$1" ]; }

# interrupt_after N SIGNAL: the pipe delivers N 4-byte records and half of
# one more; once the tool has drawn a glyph for each, it gets SIGNAL while
# it waits for the rest.
interrupt_after() {
    count=$1 signal=$2
    with_default_interrupts
    feed() {
        local i
        for ((i = 0; i < count; i++)); do
            printf 'r%03d' "$i"
            sleep 0.05
        done
        printf 'xy'
        wait_for drawn $((count + 1)) && kill -s "$signal" "$(cat .pid)"
        # Hold the pipe open: the interrupt, not the end of the source, stops the run.
        sleep 1
        printf 'zw'
    }
}
# nohup_run: as interrupt_after 3 HUP, but with SIGHUP ignored from the start.
nohup_run() {
    interrupt_after 3 HUP
    wrap=(perl -e '$SIG{HUP} = "IGNORE"; open my $f, ">", ".pid" or die; print $f $$; close $f; exec @ARGV')
}
interrupted='Conversion interrupted.\r\n'
five='4,r000\r\n4,r001\r\n4,r002\r\n4,r003\r\n4,r004\r\n'

# first_run_holds FILE: another run converts a slow pipe into FILE in the
# background; the tool under test starts once that run has drawn its first
# glyph, and the case waits for it to end and succeed.
first_run_holds() {
    { { printf abc; sleep 1; printf def; } | "$tool" /dev/stdin "$1" 3 0 >first.out 2>first.err
        echo $? >first.done; } &
    wrap=(bash -c 'for i in $(seq 200); do grep -q -- - first.err && exec "$@"; sleep 0.05; done; exit 99' second)
    after='wait_for test -e first.done; [ "$(cat first.done)" = 0 ] || bad+=("the first run failed")'
}

# loop_device: a 64 KiB loop device as $loop and a second device node for
# it as twin; the case checks that the device's bytes are unchanged.
loop_device() {
    head -c 65536 /dev/urandom >dev.img
    cp dev.img dev.orig
    loop=$(losetup -f --show dev.img) || return 1
    local major minor
    read -r major minor < <(stat -c '%t %T' "$loop")
    mknod twin b $((16#$major)) $((16#$minor))
    after='losetup -d "$loop"; cmp -s dev.img dev.orig || bad+=("the device changed")'
}
t_loop() {
    if [ "$(id -u)" != 0 ] || ! losetup -f >/dev/null 2>&1; then
        echo "skipped $1: needs root and a free loop device"
        skipped=$((skipped + 1))
        return
    fi
    t "$@"
}

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

# --- signals that would kill the tool: a closed pipe is a write error
t fifo_reader_gone 1 '/dev/stdin out.fifo 3 0' - '' "$(settings 0 3)$(glyphs 2)$write_error" - \
    'mkfifo out.fifo; (exec <out.fifo) & feed() { sleep 0.5; printf abcdef; }'
t summary_reader_gone 1 '/dev/stdin out.unf 3 0' - '' "$(settings 0 3)$(glyphs 2)Error writing summary.\r\n" \
    '3,abc\r\n3,def\r\n\032' \
    'mkfifo so; (exec <so) & wrap=(bash -c "exec \"\$@\" >so" closed); feed() { sleep 0.5; printf abcdef; }'
# The pager quits after 80 bytes of 2 MB of glyphs: the conversion goes on
# to the end, and only the summary cannot be written.
t pager_quits 1 'in.bin out.unf 1 0' - '' '' @want.unf \
    'head -c 1000000 /dev/urandom >in.bin; unf_of in.bin 1 >want.unf
     wrap=(bash -c "\"\$@\" 2>&1 | head -c 80 >/dev/null; exit \${PIPESTATUS[0]}" pager)'

# --- interrupts end at a record boundary, and the process dies of them
t interrupt_int 130 '/dev/stdin out.unf 4 0' - '' "$(settings 0 4)$(glyphs 6)$interrupted" "$five" 'interrupt_after 5 INT'
t interrupt_term 143 '/dev/stdin out.unf 4 0' - '' "$(settings 0 4)$(glyphs 6)$interrupted" "$five" 'interrupt_after 5 TERM'
t interrupt_hup 129 '/dev/stdin out.unf 4 0' - '' "$(settings 0 4)$(glyphs 6)$interrupted" "$five" 'interrupt_after 5 HUP'
# Nothing read is held back while the tool waits, so even SIGKILL loses
# only the record in flight.
t killed_while_waiting 137 '/dev/stdin out.unf 4 0' - '' "$(settings 0 4)$(glyphs 6)" "$five" 'interrupt_after 5 KILL'
t hangup_ignored_by_nohup 0 '/dev/stdin out.unf 4 0' - "$(lines 4)" "$(settings 0 4)$(glyphs 4)" \
    '4,r000\r\n4,r001\r\n4,r002\r\n4,xyzw\r\n\032' 'nohup_run'

# --- the destination another run, or the source device, holds
t two_runs_one_destination 1 'in.bin out.unf 3 0' 'xyz' '' "$(settings 0 3)Destination File <out.unf> is in use.\r\n" \
    '3,abc\r\n3,def\r\n\032' 'first_run_holds out.unf'
t_loop block_device_by_another_name 1 '$loop twin 4096 0' - '' \
    "$(settings 0 4096)Destination File <twin> is the source file.\r\n" - 'loop_device'
# A symlink to the source swapped in while the destination's open waits:
# the open file, not the name, is checked, so nothing is cut.
t_strace symlink_swapped_in 1 'in.bin out.unf 1 0' 'precious' '' "$(settings 0 1)$same" 'precious' \
    '(sleep 0.7; ln -s in.bin out.unf) & delay_open out.unf; after=wait'

# fast_source_interrupted: a fast pipe cut off by SIGTERM five times; each
# time the file holds whole frames only, no end mark, and the tool died of
# the signal after its message.
fast_source_interrupted() {
    local dir="$work/fast_source_interrupted" run status size bad=()
    mkdir -p "$dir" && cd "$dir" || exit 2
    printf '100,' >frame
    head -c 100 /dev/zero >>frame
    printf '\r\n' >>frame
    for run in 1 2 3 4 5; do
        head -c 3G /dev/zero |
            timeout --preserve-status -s TERM 0.3 "$tool" /dev/stdin z.unf 100 0 >.stdout 2>.stderr
        status=$?
        size=$(stat -c %s z.unf)
        [ "$status" = 143 ] || bad+=("run $run: exit status $status")
        [ $((size % 106)) = 0 ] || bad+=("run $run: $size bytes is no whole number of frames")
        [ "$size" -gt 0 ] && ! tail -c 106 z.unf | cmp -s - frame && bad+=("run $run: the last frame differs")
        [ -s .stdout ] && bad+=("run $run: a summary")
        [ "$(tail -c 25 .stderr | od -An -c | tr -d ' \n')" = 'Conversioninterrupted.\r\n' ] ||
            bad+=("run $run: no message at the end of stderr")
    done
    if [ ${#bad[@]} = 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAIL fast_source_interrupted: %s\n' "${bad[@]}"
    fi
}
fast_source_interrupted

finish
