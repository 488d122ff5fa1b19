// What the terminal can show: the palette entries nearest to a colour (worked values), compiled
// terminfo entries read from bytes and from a directory, and the decision from the environment.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "frontends/terminal/term_caps.h"
#include "frontends/terminal/term_palette.h"

namespace {

TEST(TermPalette, NearestEntriesOfThe256ColourPaletteAndTheSixteenColours) {
    const struct {
        uint32_t rgb;
        int entry256, entry16;
    } cases[] = {
        {0x000000, 16, 0},  {0xFFFFFF, 231, 15}, {0xFF0000, 196, 9},  {0xCD0000, 160, 1},
        {0x808080, 244, 8},   // Exactly the ramp's 128 grey; the cube's nearest is 135
        {0x080A0F, 232, 0},   // The show's dark navy: the ramp's first grey, not the cube's black
        {0x3A3A3A, 237, 0},   // Dim grey: the ramp's 58, where the cube only has 0 and 95
        {0x00807F, 30, 8},    // Teal: the cube's 0, 135, 135; of the 16, the grey is nearer than the bright cyan
        {0x0000FF, 21, 4},    {0xC0C0C0, 250, 7}, {0x5F87AF, 67, 8},  // 67: an exact cube colour
        {0x2F2F2F, 236, 0},   // 47 rounds to the cube's black, but the ramp's 48 is nearer
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nearest256(c.rgb), c.entry256) << std::hex << c.rgb;
        EXPECT_EQ(nearest16(c.rgb), c.entry16) << std::hex << c.rgb;
    }
    EXPECT_EQ(palette256Rgb(16), 0x000000u);
    EXPECT_EQ(palette256Rgb(67), 0x5F87AFu);
    EXPECT_EQ(palette256Rgb(231), 0xFFFFFFu);
    EXPECT_EQ(palette256Rgb(232), 0x080808u);
    EXPECT_EQ(palette256Rgb(255), 0xEEEEEEu);
    // Every entry of the fixed palette is its own nearest
    for (int i = 16; i < 256; ++i) EXPECT_EQ(nearest256(palette256Rgb(i)), i) << i;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(nearest16(kXterm16[i]), i) << i;
    // Green counts most, blue least; the red weight grows with the mean red
    EXPECT_EQ(colourDistance(0x000000, 0x000010), (767 * 256) >> 8);
    EXPECT_EQ(colourDistance(0x000000, 0x001000), 4 * 256);
    EXPECT_EQ(colourDistance(0xF00000, 0xFF0000), ((512 + 247) * 225) >> 8);
    EXPECT_EQ(luminance(0xFFFFFF), 255);
    EXPECT_EQ(luminance(0x000000), 0);
}

TEST(TermPalette, ModeNames) {
    const char* names[] = {"24bit", "256", "16", "none"};
    for (const char* name : names) {
        ColourMode mode = ColourMode::TrueColour;
        ASSERT_TRUE(parseColourMode(name, mode)) << name;
        EXPECT_STREQ(colourModeName(mode), name);
    }
    ColourMode mode = ColourMode::Palette16;
    for (const char* bad : {"", "24-bit", "truecolor", "8", "NONE"}) EXPECT_FALSE(parseColourMode(bad, mode)) << bad;
    EXPECT_FALSE(parseColourMode(nullptr, mode));
    EXPECT_EQ(mode, ColourMode::Palette16);
}

// A compiled terminfo entry as tic writes it: the colour count, the repeat string, and extended
// capabilities by name (booleans, or one string).
struct Entry {
    bool wide = true;
    int colours = -1;
    bool repeat = false;
    std::vector<std::string> extBools;
    std::string extString;  // Name of one extended string capability, if any

    static void put16(std::vector<unsigned char>& b, int v) {
        b.push_back((unsigned char)(v & 0xFF));
        b.push_back((unsigned char)((v >> 8) & 0xFF));
    }
    static void align(std::vector<unsigned char>& b) {
        if (b.size() % 2 != 0) b.push_back(0);
    }
    std::vector<unsigned char> bytes() const {
        std::vector<unsigned char> b;
        const std::string names = "test|a terminal for tests";
        const int numbers = 15, strings = 122;
        const std::string table = repeat ? std::string("%p1%c\x1b[%p2%{1}%-%db") + '\0' : std::string();
        put16(b, wide ? 01036 : 0432);
        for (int v : {(int)names.size() + 1, 3, numbers, strings, (int)table.size()}) put16(b, v);
        b.insert(b.end(), names.begin(), names.end());
        b.push_back(0);
        b.insert(b.end(), {1, 0, 1});  // Three standard booleans
        align(b);
        for (int i = 0; i < numbers; ++i) {
            const int v = i == 13 ? colours : (i == 0 ? 80 : -1);
            put16(b, v);
            if (wide) put16(b, v < 0 ? 0xFFFF : 0);
        }
        for (int i = 0; i < strings; ++i) put16(b, i == 121 && repeat ? 0 : -1);
        b.insert(b.end(), table.begin(), table.end());
        if (extBools.empty() && extString.empty()) return b;

        align(b);
        const int nb = (int)extBools.size(), ns = extString.empty() ? 0 : 1;
        std::string values = ns ? std::string("\x1b[38:2:%p1%dm") + '\0' : std::string(), namesTable;
        std::vector<int> nameOffsets;
        for (const std::string& n : extBools) {
            nameOffsets.push_back((int)namesTable.size());
            namesTable += n + '\0';
        }
        if (ns) {
            nameOffsets.push_back((int)namesTable.size());
            namesTable += extString + '\0';
        }
        for (int v : {nb, 0, ns, ns + nb + ns, (int)(values.size() + namesTable.size())}) put16(b, v);
        for (int i = 0; i < nb; ++i) b.push_back(1);
        align(b);
        if (ns) put16(b, 0);
        for (int o : nameOffsets) put16(b, o);
        b.insert(b.end(), values.begin(), values.end());
        b.insert(b.end(), namesTable.begin(), namesTable.end());
        return b;
    }
};

TermInfo parsed(const Entry& e) {
    const std::vector<unsigned char> b = e.bytes();
    TermInfo info;
    EXPECT_TRUE(parseTermInfo(b.data(), b.size(), info));
    return info;
}

TEST(TermCaps, CompiledEntriesGiveTheirColoursRepeatAndDirectColour) {
    for (bool wide : {false, true}) {
        Entry e;
        e.wide = wide;
        e.colours = 256;
        TermInfo info = parsed(e);
        EXPECT_TRUE(info.found);
        EXPECT_EQ(info.colours, 256);
        EXPECT_FALSE(info.repeat);
        EXPECT_FALSE(info.directColour);
        e.repeat = true;
        e.extBools = {"AX", "XT"};
        info = parsed(e);
        EXPECT_TRUE(info.repeat);
        EXPECT_FALSE(info.directColour) << "AX and XT say nothing of colours";
        for (const char* name : {"RGB", "Tc"}) {
            e.extBools = {"AX", name};
            EXPECT_TRUE(parsed(e).directColour) << name;
        }
        e.extBools = {"AX"};
        e.extString = "RGB";  // RGB may also be a string
        EXPECT_TRUE(parsed(e).directColour);
        e.extString = "setrgbf";
        EXPECT_FALSE(parsed(e).directColour);
    }
    Entry none;
    EXPECT_EQ(parsed(none).colours, -1);

    // Anything cut short or of another kind is refused, not read past its end
    Entry full;
    full.colours = 8;
    full.repeat = true;
    full.extBools = {"Tc"};
    const std::vector<unsigned char> b = full.bytes();
    TermInfo info;
    for (size_t n = 0; n < 400 && n < b.size(); ++n) {
        const std::vector<unsigned char> cut(b.begin(), b.begin() + (long)n);
        if (parseTermInfo(cut.data(), cut.size(), info)) {
            EXPECT_FALSE(info.directColour) << n;
        }
    }
    // Damaged anywhere (the sanitizer build checks every read stays inside)
    uint32_t seed = 12345;
    for (int round = 0; round < 3000; ++round) {
        std::vector<unsigned char> damaged = b;
        for (int n = 0; n < 3; ++n) {
            seed = seed * 1664525u + 1013904223u;
            damaged[(seed >> 8) % damaged.size()] = (unsigned char)(seed >> 24);
        }
        parseTermInfo(damaged.data(), damaged.size(), info);
    }
    std::vector<unsigned char> other = b;
    other[0] = 0x1F;
    EXPECT_FALSE(parseTermInfo(other.data(), other.size(), info));
    EXPECT_FALSE(info.found);
}

TEST(TermCaps, EntriesAreFoundWhereNcursesLooks) {
    char dirTemplate[] = "/tmp/term_caps_XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    const std::string dir = dirTemplate;
    Entry e;
    e.colours = 256;
    e.extBools = {"Tc"};
    const std::vector<unsigned char> b = e.bytes();
    auto write = [&](const std::string& sub, const std::string& name) {
        mkdir((dir + "/" + sub).c_str(), 0700);
        FILE* f = fopen((dir + "/" + sub + "/" + name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fwrite(b.data(), 1, b.size(), f);
        fclose(f);
    };
    write("m", "mine-direct");  // Letter layout
    write("6d", "mine-hex");    // Hexadecimal layout (macOS)
    TermEnv env;
    env.terminfo = dir;
    for (const char* name : {"mine-direct", "mine-hex"}) {
        env.term = name;
        const TermInfo info = loadTermInfo(env);
        EXPECT_TRUE(info.found) << name;
        EXPECT_TRUE(info.directColour) << name;
    }
    env.terminfo.clear();
    env.terminfoDirs = "/nonexistent::" + dir;
    env.term = "mine-hex";
    EXPECT_TRUE(loadTermInfo(env).found);
    env.terminfoDirs.clear();
    env.home = dir + "/..";
    EXPECT_FALSE(loadTermInfo(env).found);
    for (const char* bad : {"", "../m/mine-direct", "m/mine-direct"}) {
        env.term = bad;
        env.terminfo = dir;
        EXPECT_FALSE(loadTermInfo(env).found) << bad;
    }
    std::system(("rm -rf " + dir).c_str());

    // The system's own entries, where the system has them
    TermEnv system;
    system.term = "xterm-256color";
    const TermInfo xterm = loadTermInfo(system);
    if (xterm.found) {
        EXPECT_EQ(xterm.colours, 256);
        EXPECT_TRUE(xterm.repeat);
    }
    system.term = "linux";
    const TermInfo linux = loadTermInfo(system);
    if (linux.found) {
        EXPECT_EQ(linux.colours, 8);
        EXPECT_FALSE(linux.repeat);
    }
}

TEST(TermCaps, TheModeFromNoColorColortermTerminfoAndTerm) {
    TermInfo none, eight, x256, direct, mono;
    eight.found = x256.found = direct.found = mono.found = true;
    eight.colours = 8;
    x256.colours = 256;
    x256.repeat = true;
    direct.colours = 256;
    direct.directColour = true;
    const struct {
        const char *term, *colorTerm, *noColor, *tmux, *sty;
        const TermInfo& info;
        ColourMode mode;
        bool repeat;
    } cases[] = {
        {"xterm-256color", "truecolor", "", "", "", x256, ColourMode::TrueColour, true},
        {"xterm-256color", "24bit", "", "", "", x256, ColourMode::TrueColour, true},
        {"xterm-256color", "truecolor", "1", "", "", x256, ColourMode::None, true},  // NO_COLOR wins
        {"xterm", "truecolor", "0", "", "", eight, ColourMode::None, false},        // Whatever its value
        {"xterm-256color", "yes", "", "", "", x256, ColourMode::Palette256, true},  // Not a 24-bit COLORTERM
        {"xterm-direct", "", "", "", "", direct, ColourMode::TrueColour, false},
        {"xterm-256color", "", "", "", "", none, ColourMode::Palette256, false},    // No terminfo: the name says
        {"screen", "", "", "/tmp/tmux-0/default,1,0", "", eight, ColourMode::Palette256, true},  // In tmux
        {"screen", "", "", "", "1234.pts-0.host", eight, ColourMode::Palette16, false},  // In GNU screen
        {"screen-256color", "truecolor", "", "", "1234.pts-0.host", x256, ColourMode::Palette256, true},  // Not its COLORTERM
        {"screen-256color", "truecolor", "", "", "1234.pts-0.host", direct, ColourMode::TrueColour, false},
        {"linux", "", "", "", "", eight, ColourMode::Palette16, false},
        {"vt100", "", "", "", "", mono, ColourMode::None, false},
        {"no-such-terminal", "", "", "", "", none, ColourMode::Palette16, false},
        {"dumb", "", "", "", "", none, ColourMode::None, false},
        {"", "", "", "", "", none, ColourMode::None, false},
    };
    for (const auto& c : cases) {
        TermEnv env;
        env.term = c.term;
        env.colorTerm = c.colorTerm;
        env.noColor = c.noColor;
        env.tmux = c.tmux;
        env.screenSession = c.sty;
        const TermCaps caps = detectCaps(env, c.info);
        EXPECT_EQ(caps.colours, c.mode) << c.term << " " << c.colorTerm << " " << c.noColor;
        EXPECT_EQ(caps.repeat, c.repeat) << c.term << " " << c.tmux;
    }
}

TEST(TermCaps, TheEnvironmentIsReadAsItIs) {
    setenv("TERM", "xterm-256color", 1);
    setenv("COLORTERM", "truecolor", 1);
    setenv("NO_COLOR", "", 1);
    unsetenv("TMUX");
    setenv("STY", "1234.pts-0.host", 1);
    const TermEnv env = environmentNow();
    EXPECT_EQ(env.screenSession, "1234.pts-0.host");
    EXPECT_EQ(env.term, "xterm-256color");
    EXPECT_EQ(env.colorTerm, "truecolor");
    EXPECT_EQ(env.noColor, "");
    EXPECT_EQ(env.tmux, "");
}

}  // namespace
