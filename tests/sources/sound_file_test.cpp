// Music files in every format, good and made to be wrong: each one is refused with a reason the
// front end can show, or plays exactly what could be decoded, through the whole file source (its
// worker thread included).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "audio/sound_source.h"
#include "sound_fixtures.h"
#include "source_test_support.h"

using namespace sound_fixtures;
using namespace source_test;

namespace {

constexpr double kSeconds = 2.0;

struct Case {
    std::string name;         // Starts with the format's extension, which the file gets too
    Bytes bytes;
    long long lo = -1;        // Plays between lo and hi frames; -1: refused
    long long hi = -1;
    const char* reason = "";  // Refused: the reason says this
};

Case plays(std::string name, Bytes bytes, long long lo, long long hi) {
    return Case{std::move(name), std::move(bytes), lo, hi, ""};
}
Case refused(std::string name, Bytes bytes, const char* reason) {
    return Case{std::move(name), std::move(bytes), -1, -1, reason};
}

std::vector<Case> fileTable() {
    std::vector<Case> cases;
    for (const Format& f : kFormats) {
        const long long n = (long long)(kSeconds * f.rate);
        const Bytes good = writeFile(f, 2, n);
        const std::string name = f.name;
        cases.push_back(plays(name + " good", good, n, n));
        cases.push_back(plays(name + " mono", writeFile(f, 1, n / 2), n / 2, n / 2));
        // MP3 decoders look for the next frame they can read: a damaged start is skipped
        cases.push_back(f.format == (SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III)
                            ? plays(name + " wrong header", scrambled(good, 0, 4), 1, n)
                            : refused(name + " wrong header", scrambled(good, 0, 4), "not a sound file"));
        cases.push_back(refused(name + " empty", Bytes{}, "an empty file"));
        // A file that breaks halfway plays up to the break, where the format can tell
        const Bytes broken = scrambled(good, good.size() / 2, good.size() / 2 + good.size() / 10);
        cases.push_back(f.format == (SF_FORMAT_WAV | SF_FORMAT_PCM_16) ? plays(name + " broken halfway", broken, n, n)
                                                                        : plays(name + " broken halfway", broken, n / 3, n * 11 / 20));
    }
    const Format& wav = kFormats[0];
    const Format& flac = kFormats[1];
    const Format& ogg = kFormats[2];
    const Format& opus = kFormats[3];
    const Format& mp3 = kFormats[4];
    const long long n = (long long)(kSeconds * 44100);
    const Bytes goodWav = writeFile(wav, 2, n), goodFlac = writeFile(flac, 2, n), goodOgg = writeFile(ogg, 2, n);
    const Bytes goodOpus = writeFile(opus, 2, 96000), goodMp3 = writeFile(mp3, 2, n);

    // Truncated: what is there plays; too little to open is refused
    cases.push_back(plays("wav truncated", truncated(goodWav, 0.5), n * 49 / 100, n / 2));
    cases.push_back(plays("wav truncated to its header", truncated(goodWav, 0.02), 1, n * 3 / 100));
    cases.push_back(plays("flac truncated", truncated(goodFlac, 0.5), n / 3, n / 2));
    cases.push_back(plays("flac truncated to its header", truncated(goodFlac, 0.02), 0, 0));
    cases.push_back(plays("ogg truncated", truncated(goodOgg, 0.5), 0, 0));  // libsndfile needs the last page
    cases.push_back(refused("ogg truncated to its header", truncated(goodOgg, 0.02), "cannot be read"));
    cases.push_back(refused("opus truncated", truncated(goodOpus, 0.5), "cannot be read"));
    cases.push_back(plays("mp3 truncated", truncated(goodMp3, 0.5), n * 2 / 5, n * 11 / 20));
    cases.push_back(refused("mp3 truncated to its header", truncated(goodMp3, 0.02), "cannot be read"));

    // No or absurd channels and rates
    cases.push_back(refused("wav zero channels", withWavField(goodWav, "fmt ", 2, 0, 2), "cannot be read"));
    cases.push_back(refused("wav 200 channels", withWavField(goodWav, "fmt ", 2, 200, 2), "200 channels"));
    cases.push_back(refused("wav 9 channels", writeFile(Format{"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000}, 9, 800),
                            "9 channels"));
    cases.push_back(plays("wav 8 channels", writeFile(Format{"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000}, 8, 800), 800, 800));
    cases.push_back(refused("wav rate 0", withWavField(goodWav, "fmt ", 4, 0, 4), "cannot be read"));
    cases.push_back(refused("wav rate 1 GHz", withWavField(goodWav, "fmt ", 4, 1000000000, 4), "rate of 1000000000 Hz"));
    cases.push_back(refused("wav rate 7999", withWavField(goodWav, "fmt ", 4, 7999, 4), "rate of 7999 Hz"));
    cases.push_back(plays("wav rate 8000", withWavField(goodWav, "fmt ", 4, 8000, 4), n, n));
    cases.push_back(refused("flac rate 0", withFlacRate(goodFlac, 0), "cannot be read"));
    cases.push_back(refused("flac rate 700 kHz", withFlacRate(goodFlac, 700000), "rate of 700000 Hz"));
    cases.push_back(refused("ogg zero channels", withOggIdentField(goodOgg, 11, 0, 1), "cannot be read"));
    cases.push_back(refused("ogg 9 channels", withOggIdentField(goodOgg, 11, 9, 1), "cannot be read"));
    cases.push_back(refused("ogg rate 0", withOggIdentField(goodOgg, 12, 0, 4), "cannot be read"));
    cases.push_back(refused("opus zero channels", withOggIdentField(goodOpus, 9, 0, 1), "cannot be read"));
    cases.push_back(refused("opus 9 channels", withOggIdentField(goodOpus, 9, 9, 1), "cannot be read"));

    // Huge declared sizes: what is really there plays, and memory does not follow the header
    cases.push_back(plays("wav huge data size", withWavDataSize(goodWav, 0xFFFFFFF0u), n, n));
    cases.push_back(plays("flac huge length", withFlacTotal(goodFlac, 0xFFFFFFFFFull), n, n));
    return cases;
}

}  // namespace

TEST(SoundFiles, EveryFormatGoodOrDamagedIsRefusedWithAReasonOrPlaysWhatCanBeDecoded) {
    TempDir dir;
    int index = 0;
    for (const Case& c : fileTable()) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.put(std::to_string(index++) + "." + c.name.substr(0, c.name.find(' ')), c.bytes);
        SoundSource source;
        const bool opened = openFileSource(source, path.c_str());
        if (c.lo < 0) {
            EXPECT_FALSE(opened);
            EXPECT_NE(source.error.find(c.reason), std::string::npos) << source.error;
            EXPECT_EQ(source.kind, SourceKind::None);
            continue;
        }
        ASSERT_TRUE(opened) << source.error;
        ASSERT_TRUE(waitUntilDecoded(source));
        EXPECT_GE(source.frameCount, c.lo);
        EXPECT_LE(source.frameCount, c.hi);
        // Nothing decoded is an error the front end can show; a whole file is none
        EXPECT_TRUE(source.frameCount > 0 || !source.error.empty());
        EXPECT_TRUE(source.frameCount == 0 || source.frameCount < c.hi || source.error.empty()) << source.error;
    }
}

TEST(SoundFiles, TitleFromTheTagsElseTheFileName) {
    TempDir dir;
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        SoundSource source;
        ASSERT_TRUE(openFileSource(source, dir.put(std::string("tagged.") + f.name, writeFile(f, 2, f.rate / 2)).c_str()));
        EXPECT_EQ(source.title, "Fixture Song");
        ASSERT_TRUE(openFileSource(source, dir.put(std::string("Night Drive.") + f.name, writeFile(f, 2, f.rate / 2, nullptr)).c_str()));
        EXPECT_EQ(source.title, "Night Drive");
    }
    // Control characters never reach a title line
    SoundSource source;
    ASSERT_TRUE(openFileSource(source, dir.put("ctl.wav", writeFile(kFormats[0], 1, 8000, "A\x1b[2J\tB")).c_str()));
    EXPECT_EQ(source.title, "A[2JB");
}

TEST(SoundFiles, NamesInAnyScriptAreOpenedAndNameTheTitle) {
    // Names arrive in UTF-8; Windows must open them as wide names, which no ANSI code page spells
    TempDir dir;
    const std::string name = "K\xc3\xb6ln \xe2\x99\xaa \xe6\x97\xa5\xe6\x9c\xac";  // "Köln ♪ 日本"
    const std::string path = dir.file(name + ".wav");
    const Bytes bytes = writeFile(kFormats[0], 1, 8000, nullptr);
    std::ofstream(std::filesystem::u8path(path), std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
    SoundSource source;
    ASSERT_TRUE(openFileSource(source, path.c_str())) << source.error;
    EXPECT_EQ(source.title, name);
    ASSERT_TRUE(waitUntilDecoded(source));
    EXPECT_EQ(source.frameCount, 8000);
    EXPECT_FALSE(openFileSource(source, dir.file(name + " 2.wav").c_str()));
    EXPECT_EQ(source.error, "no such file");
}

TEST(SoundFiles, WhatIsNotARegularSoundFileIsRefusedWithItsReason) {
    TempDir dir;
    SoundSource source;
    EXPECT_FALSE(openFileSource(source, nullptr) || openFileSource(source, ""));
    EXPECT_EQ(source.error, "no file name");
    EXPECT_FALSE(openFileSource(source, dir.file("missing.ogg").c_str()));
    EXPECT_EQ(source.error, "no such file");
    EXPECT_FALSE(openFileSource(source, dir.path.c_str()));
    EXPECT_EQ(source.error, "not a regular file");
    EXPECT_FALSE(openFileSource(source, dir.put("notes.txt", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}).c_str()));
    EXPECT_EQ(source.error, "not a sound file");
    // Formats libsndfile reads but people do not keep music in
    const Format voc{"voc", SF_FORMAT_VOC | SF_FORMAT_PCM_U8, 11025};
    EXPECT_FALSE(openFileSource(source, dir.put("speech.voc", writeFile(voc, 1, 11025, nullptr)).c_str()));
    EXPECT_EQ(source.error, "not a music format that is played");
    // A failed open leaves nothing behind and a good one clears the reason
    EXPECT_EQ(source.kind, SourceKind::None);
    EXPECT_TRUE(openFileSource(source, dir.put("ok.wav", writeFile(kFormats[0], 1, 8000)).c_str()));
    EXPECT_TRUE(source.error.empty());
}
