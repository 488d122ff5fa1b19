// The audio device's backends may print on their own; the show prints nothing.
#pragma once

// Call before InitAudioDevice. Without a sound server, ALSA reports every device it fails to open
// on stderr; this gives ALSA's library a handler that drops those reports.
void silenceAudioBackendMessages();
