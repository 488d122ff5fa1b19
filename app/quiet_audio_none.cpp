// Windows and the rest: the audio backends raylib uses there print nothing of their own.
#include "app/quiet_audio.h"

void silenceAudioBackendMessages() {}
