# Sourced by the tests that listen to the show: the sound server's output, through its monitor.

# The loudest sample on the sound server's monitor over half a second of its output, 0..32767.
# Waits for the samples rather than for a time: a monitor slow to start only makes it slower.
music_level() {
    timeout 30 parec --device=@DEFAULT_MONITOR@ --raw --format=s16le --channels=1 --rate=8000 2>/dev/null \
        | head -c 8000 | od -An -td2 -v | awk '{ for (i = 1; i <= NF; i++) { v = $i < 0 ? -$i : $i; if (v > m) m = v } } END { print m + 0 }'
}
music_heard() { [ "$(music_level)" -gt 100 ]; }
