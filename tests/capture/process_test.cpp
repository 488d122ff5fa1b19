// Helper programs: a failure is told with how the program ended and the last line it printed,
// and what it printed leaves no file behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/capture/process.h"

TEST(ChildProcess, AFailureIsToldWithItsStatusAndLastLineAndASuccessQuietly) {
    const struct {
        const char* script;
        bool ok;
        std::string error;
    } cases[] = {
        {"cat >/dev/null; echo fine", true, ""},
        {"cat >/dev/null; echo first >&2; echo; echo 'the last line' >&2; echo; exit 3", false,
         "exit status 3: the last line"},
        {"cat >/dev/null; exit 1", false, "exit status 1"},
        {"kill -TERM $$", false, "killed by signal 15"},
        {"head -c 5000 /dev/zero | tr '\\0' x; exit 2", false, "exit status 2: " + std::string(200, 'x') + "..."},
    };
    for (const auto& c : cases) {
        ChildProcess child;
        ASSERT_TRUE(startWithInput({"/bin/sh", "-c", c.script}, child)) << c.script;
        EXPECT_GE(child.messages, 0);
        writeAll(child, "input", 5);  // May fail when the child is gone: that is no crash
        std::string error;
        EXPECT_EQ(finish(child, error), c.ok) << c.script;
        EXPECT_EQ(error, c.error) << c.script;
        EXPECT_EQ(child.messages, -1);
    }
    ChildProcess missing;
    EXPECT_FALSE(startWithInput({"/nonexistent/ffmpeg"}, missing));
}
