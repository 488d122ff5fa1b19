# Shared by the end-to-end tests that listen to the show.

# Succeeds when the default sound server's monitor carries sound (not all zero) for a moment:
# the music is heard. Needs parec. Works with or without pipefail.
music_heard() {
    local heard  # Bytes that are not zero; counted, not tested by status, which pipefail would spoil
    heard=$(timeout 1.5 parec --device=@DEFAULT_MONITOR@ --format=s16le --rate=44100 --channels=2 2>/dev/null \
        | tr -d '\000' | head -c 1000 | wc -c)
    [ "${heard:-0}" -gt 0 ]
}
