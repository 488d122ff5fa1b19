#include "frontends/terminal/term_caps.h"

#include <cstdio>   // Required for: fopen(), fread()
#include <cstdlib>  // Required for: getenv()
#include <cstring>  // Required for: strnlen()
#include <vector>

namespace {

constexpr int kLegacyMagic = 0432;   // 16-bit numbers
constexpr int kWideMagic = 01036;    // 32-bit numbers
constexpr int kColoursNumber = 13;   // max_colors among the standard numbers
constexpr int kRepeatString = 121;   // repeat_char among the standard strings
constexpr size_t kLargestEntry = 1 << 20;
const char* const kSystemDirs[] = {"/etc/terminfo", "/lib/terminfo", "/usr/share/terminfo", "/usr/lib/terminfo"};

// A little-endian reader that turns every overrun into a failure instead of a read past the end.
struct Reader {
    const unsigned char* data;
    size_t size;
    size_t at = 0;
    bool ok = true;

    int short16() {
        if (at + 2 > size) return fail();
        const int v = (int)(data[at] | (data[at + 1] << 8));
        at += 2;
        return v >= 0x8000 ? v - 0x10000 : v;
    }
    int number(bool wide) {
        if (!wide) return short16();
        if (at + 4 > size) return fail();
        const uint32_t v = (uint32_t)data[at] | ((uint32_t)data[at + 1] << 8) | ((uint32_t)data[at + 2] << 16) |
                           ((uint32_t)data[at + 3] << 24);
        at += 4;
        return (int)v;
    }
    void skip(size_t n) {
        if (at + n > size) fail();
        else at += n;
    }
    void align() {
        if (at % 2 != 0) skip(1);
    }
    int fail() {
        ok = false;
        at = size;
        return -1;
    }
};

bool countsValid(const int* counts, int n) {
    for (int i = 0; i < n; ++i) {
        if (counts[i] < 0) return false;
    }
    return true;
}

// The extended capabilities that follow the standard ones: only their names and presence matter.
void readExtended(Reader& r, bool wide, TermInfo& info) {
    r.align();
    if (r.at + 10 > r.size) return;  // No extended part
    int header[5];
    for (int& h : header) h = r.short16();
    if (!r.ok || !countsValid(header, 5)) return;
    const int bools = header[0], numbers = header[1], strings = header[2], tableSize = header[4];
    const size_t boolsAt = r.at;
    r.skip((size_t)bools);
    r.align();
    const size_t numbersAt = r.at;
    r.skip((size_t)numbers * (wide ? 4 : 2));
    std::vector<int> offsets;  // Strings' values, then every name
    for (int i = 0; i < strings + bools + numbers + strings && r.ok; ++i) offsets.push_back(r.short16());
    const size_t tableAt = r.at;
    r.skip((size_t)tableSize);
    if (!r.ok) return;

    // The names come after the string values, so they start past the last value's end
    size_t namesAt = tableAt;
    for (int i = 0; i < strings; ++i) {
        if (offsets[(size_t)i] < 0) continue;
        size_t end = tableAt + (size_t)offsets[(size_t)i];
        while (end < r.size && r.data[end] != 0) ++end;
        if (end + 1 > namesAt) namesAt = end + 1;
    }
    for (int i = 0; i < bools + numbers + strings; ++i) {
        const int offset = offsets[(size_t)(strings + i)];
        if (offset < 0 || namesAt + (size_t)offset >= tableAt + (size_t)tableSize) continue;
        const std::string name((const char*)r.data + namesAt + offset,
                               strnlen((const char*)r.data + namesAt + offset, tableAt + tableSize - namesAt - offset));
        bool present;
        if (i < bools) {
            present = r.data[boolsAt + (size_t)i] == 1;
        } else if (i < bools + numbers) {
            Reader n{r.data, r.size, numbersAt + (size_t)(i - bools) * (wide ? 4 : 2)};
            present = n.number(wide) >= 0;
        } else {
            present = offsets[(size_t)(i - bools - numbers)] >= 0;
        }
        if (present && (name == "RGB" || name == "Tc")) info.directColour = true;
    }
}

bool readFile(const std::string& path, std::vector<unsigned char>& bytes) {
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    bytes.resize(kLargestEntry);
    const size_t n = fread(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    bytes.resize(n);
    return n > 0;
}

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

TermEnv environmentNow() {
    auto get = [](const char* name) {
        const char* v = getenv(name);
        return std::string(v != nullptr ? v : "");
    };
    TermEnv env;
    env.term = get("TERM");
    env.colorTerm = get("COLORTERM");
    env.noColor = get("NO_COLOR");
    env.tmux = get("TMUX");
    env.screenSession = get("STY");
    env.terminfo = get("TERMINFO");
    env.terminfoDirs = get("TERMINFO_DIRS");
    env.home = get("HOME");
    return env;
}

bool parseTermInfo(const unsigned char* data, size_t size, TermInfo& info) {
    info = TermInfo{};
    Reader r{data, size};
    const int magic = r.short16();
    if (magic != kLegacyMagic && magic != kWideMagic) return false;
    const bool wide = magic == kWideMagic;
    int header[5];
    for (int& h : header) h = r.short16();
    if (!r.ok || !countsValid(header, 5)) return false;
    const int namesSize = header[0], bools = header[1], numbers = header[2], strings = header[3], tableSize = header[4];
    r.skip((size_t)namesSize + (size_t)bools);
    r.align();
    const size_t numbersAt = r.at;
    r.skip((size_t)numbers * (wide ? 4 : 2));
    const size_t stringsAt = r.at;
    r.skip((size_t)strings * 2);
    r.skip((size_t)tableSize);
    if (!r.ok) return false;

    info.found = true;
    if (numbers > kColoursNumber) {
        Reader n{data, size, numbersAt + (size_t)kColoursNumber * (wide ? 4 : 2)};
        const int colours = n.number(wide);
        info.colours = colours >= 0 ? colours : -1;
    }
    if (strings > kRepeatString) {
        Reader s{data, size, stringsAt + (size_t)kRepeatString * 2};
        info.repeat = s.short16() >= 0;
    }
    readExtended(r, wide, info);
    return true;
}

TermInfo loadTermInfo(const TermEnv& env) {
    TermInfo info;
    if (env.term.empty() || env.term.find('/') != std::string::npos || startsWith(env.term, ".")) return info;
    std::vector<std::string> dirs;
    if (!env.terminfo.empty()) dirs.push_back(env.terminfo);
    if (!env.home.empty()) dirs.push_back(env.home + "/.terminfo");
    size_t from = 0;
    while (!env.terminfoDirs.empty() && from <= env.terminfoDirs.size()) {
        const size_t colon = env.terminfoDirs.find(':', from);
        const std::string dir = env.terminfoDirs.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
        if (!dir.empty()) dirs.push_back(dir);
        if (colon == std::string::npos) break;
        from = colon + 1;
    }
    for (const char* dir : kSystemDirs) dirs.push_back(dir);

    char hex[3];
    snprintf(hex, sizeof(hex), "%02x", (unsigned)(unsigned char)env.term[0]);
    std::vector<unsigned char> bytes;
    for (const std::string& dir : dirs) {
        for (const std::string& sub : {std::string(1, env.term[0]), std::string(hex)}) {
            if (readFile(dir + "/" + sub + "/" + env.term, bytes) && parseTermInfo(bytes.data(), bytes.size(), info)) {
                return info;
            }
        }
    }
    return TermInfo{};
}

TermCaps detectCaps(const TermEnv& env, const TermInfo& info) {
    TermCaps caps;
    // tmux takes REP for ASCII whatever its TERM says; elsewhere the terminfo entry decides
    caps.repeat = info.repeat || !env.tmux.empty();
    const bool dumb = env.term.empty() || env.term == "dumb";
    if (!env.noColor.empty()) {
        caps.colours = ColourMode::None;
    } else if (((env.colorTerm == "truecolor" || env.colorTerm == "24bit") && env.screenSession.empty()) ||
               info.directColour) {
        caps.colours = ColourMode::TrueColour;
    } else if (info.colours >= 256 || env.term.find("256color") != std::string::npos || !env.tmux.empty()) {
        caps.colours = ColourMode::Palette256;
    } else if (info.colours >= 8 || (!info.found && !dumb)) {
        caps.colours = ColourMode::Palette16;
    } else {
        caps.colours = ColourMode::None;
    }
    if (dumb) caps.repeat = false;
    return caps;
}
