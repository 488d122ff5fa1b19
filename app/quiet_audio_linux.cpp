// Linux: ALSA reports every device it fails to open on stderr unless given a handler of our own.
#include <dlfcn.h>  // Required for: dlopen(), dlsym()

#include "app/quiet_audio.h"

namespace {

// Same shape as ALSA's snd_lib_error_handler_t; the arguments are ignored.
extern "C" void dropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

typedef void (*AlsaErrorHandler)(const char*, int, const char*, int, const char*, ...);
typedef int (*SetAlsaErrorHandler)(AlsaErrorHandler);

}  // namespace

void silenceAudioBackendMessages() {
    // The audio device loads ALSA at run time too; dlopen hands back that same library, so the
    // handler set here is the one it uses. The library stays loaded for the whole run.
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (alsa == nullptr) return;
    auto setHandler = (SetAlsaErrorHandler)dlsym(alsa, "snd_lib_error_set_handler");
    if (setHandler != nullptr) setHandler(dropAlsaMessage);
}
