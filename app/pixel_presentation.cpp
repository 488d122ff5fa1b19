#include "app/pixel_presentation.h"

#include "framebuffer/presentation.h"  // Required for: presentRect(), focusedRect()

void presentationPixels(const AsciiFramebuffer& fb, int screenWidth, int screenHeight, const Presentation& how,
                        PixelFrame& frame) {
    const unsigned char overlay = how.overlay ? how.overlayAlpha : 0;
    const int texW = fb.cols * fb.cellWidth, texH = fb.rows * fb.cellHeight;
    Rectangle dest = {};
    switch (how.kind) {
        case Presentation::Plain:
            dest = presentRect(texW, texH, screenWidth, screenHeight, 1.0f);
            presentPixels(fb.image, frame, screenWidth, screenHeight, &dest, kWindowClear, overlay);
            break;
        case Presentation::Focused: {
            const bool drawn = texW > 0 && texH > 0;
            if (drawn) {
                dest = focusedRect(fb.cols, fb.rows, fb.cellWidth, fb.cellHeight, screenWidth, screenHeight,
                                   how.focusX, how.focusY, how.progress, how.punch);
            }
            presentPixels(fb.image, frame, screenWidth, screenHeight, drawn ? &dest : nullptr, kWindowClear, overlay);
            break;
        }
        case Presentation::Black:
            presentPixels(fb.image, frame, screenWidth, screenHeight, nullptr, kBlackScreen, overlay);
            break;
    }
}
