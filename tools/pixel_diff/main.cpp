// pixel_diff A.png B.png [TOLERANCE]: how many pixels of two pictures differ by more than the
// tolerance (1 when not given) in any of red, green and blue, and the largest difference.
// Prints "BEYOND PIXELS LARGEST"; exits 2 when the pictures cannot be compared.
#include <cstdio>
#include <cstdlib>  // Required for: atoi()

#include "raylib.h"  // Required for: SetTraceLogLevel()
#include "tools/pixel_diff/pixel_diff.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        fprintf(stderr, "usage: pixel_diff A.png B.png [TOLERANCE]\n");
        return 2;
    }
    SetTraceLogLevel(LOG_NONE);
    const PixelDiff d = diffImageFiles(argv[1], argv[2], argc == 4 ? atoi(argv[3]) : 1);
    if (!d.sameSize) {
        fprintf(stderr, "pixel_diff: cannot compare %s and %s (unreadable, or of other sizes)\n", argv[1], argv[2]);
        return 2;
    }
    printf("%zu %zu %d\n", d.beyond, d.pixels, d.largest);
    return 0;
}
