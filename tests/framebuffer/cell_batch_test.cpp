// The boosted-colour look-up of the redraw: a cache must never change what the boost gives.
#include <gtest/gtest.h>

#include "framebuffer/cell_batch.h"
#include "framebuffer/font_redraw.h"

TEST(BoostCache, GivesTheBoostOfEveryColourWhateverItEvicted) {
    for (bool isBackground : {false, true}) {
        BoostCache cache;
        initBoostCache(cache, isBackground);
        // The colour every slot starts with, then far more colours than slots, twice in different
        // orders, so slots are found filled, refilled and filled by a colliding colour.
        EXPECT_EQ(boosted(cache, Color{0, 0, 0, 0}), boostColor(Color{0, 0, 0, 0}, isBackground));
        int mismatches = 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (uint32_t i = 0; i < 30000; ++i) {
                const uint32_t k = (pass == 0 ? i : 29999 - i) * 2654435761u;
                const Color c = {(unsigned char)k, (unsigned char)(k >> 8), (unsigned char)(k >> 16),
                                 (unsigned char)(k >> 24)};
                mismatches += boosted(cache, c) != boostColor(c, isBackground);
            }
        }
        EXPECT_EQ(mismatches, 0) << (isBackground ? "background" : "glyph");
    }
}
