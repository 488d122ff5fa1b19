#include "frontends/terminal/term_keys.h"

#include "app/frame_loop.h"  // Required for: ShowKey

namespace {

constexpr unsigned char kEscape = 0x1b;
constexpr unsigned char kCtrlC = 0x03;
constexpr size_t kMostPending = 64;  // A held key floods the queue; the oldest presses are enough

unsigned showKeyOf(unsigned char c) {
    switch (c) {
        case ' ': return KeySkip;
        case '[': return KeyTempoDown;
        case ']': return KeyTempoUp;
        case 'b': case 'B': return KeyRestartBeats;
        case 'v': case 'V': return KeyColorBoost;
        case '-': return KeySmallerCells;
        case '=': case '+': return KeyLargerCells;
        case '>': return KeyNextFile;       // As in mpv
        case '<': return KeyPreviousFile;
        case 'p': case 'P': return KeyPause;
        default: return 0;
    }
}

void textByte(KeyReader& reader, unsigned char c) {
    if (c == kEscape) {
        reader.state = KeyReader::State::AfterEscape;
        return;
    }
    if (c == 'q' || c == 'Q' || c == kCtrlC) {
        reader.quit = true;
        return;
    }
    const unsigned key = showKeyOf(c);
    if (key != 0 && reader.pending.size() < kMostPending) reader.pending.push_back(key);
}

}  // namespace

void feedKeys(KeyReader& reader, const char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const unsigned char c = (unsigned char)bytes[i];
        switch (reader.state) {
            case KeyReader::State::Text: textByte(reader, c); break;
            case KeyReader::State::AfterEscape:
                if (c == '[') {
                    reader.state = KeyReader::State::Csi;
                } else if (c == 'O') {
                    reader.state = KeyReader::State::Ss3;
                } else if (c == kEscape) {
                    reader.quit = true;  // The first ESC stood alone
                } else {
                    reader.state = KeyReader::State::Text;  // Alt and a key: not one of ours
                }
                break;
            case KeyReader::State::Csi:
                // Parameters and intermediates until the final byte
                if (c >= 0x40 && c <= 0x7e) reader.state = KeyReader::State::Text;
                else if (c < 0x20 && c != kEscape) reader.state = KeyReader::State::Text;
                else if (c == kEscape) reader.state = KeyReader::State::AfterEscape;
                break;
            case KeyReader::State::Ss3: reader.state = KeyReader::State::Text; break;
        }
    }
}

void escapeTimedOut(KeyReader& reader) {
    if (reader.state == KeyReader::State::AfterEscape) reader.quit = true;
    reader.state = KeyReader::State::Text;
}

unsigned takeFrameKeys(KeyReader& reader) {
    unsigned keys = 0;
    while (!reader.pending.empty() && (keys & reader.pending.front()) == 0) {
        keys |= reader.pending.front();
        reader.pending.pop_front();
    }
    return keys;
}
