# Shared by the end-to-end tests that listen to the show.

# Succeeds when the default sound server's monitor carries sound (not all zero) for a moment:
# the music is heard. Needs parec.
music_heard() {
    timeout 1.5 parec --device=@DEFAULT_MONITOR@ --format=s16le --rate=44100 --channels=2 2>/dev/null \
        | tr -d '\000' | head -c 1000 | grep -q .
}
