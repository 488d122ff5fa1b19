// The web build (dist/web, from scripts/build-web.sh) in Debian's headless Chromium: the page as a
// viewer meets it, started with a click, read through the state the build exposes
// (Module.showState()) and through screenshots. Run by scripts/test-web.sh.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { promisify } from 'node:util';
import puppeteer from 'puppeteer-core';
import { serve } from '../../scripts/web/serve.mjs';

const kRoot = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const kDist = process.env.DAVUR_EVI_WEB_DIST || path.join(kRoot, 'dist/web');
// The desktop build's tools/scene_cells (scripts/test-web.sh builds it)
// The version as CMakeLists.txt's project(VERSION ...) gives it, which the page's about line shows
const kVersion = fs.readFileSync(path.join(kRoot, 'CMakeLists.txt'), 'utf8').match(/project\(davur_evi VERSION ([0-9.]+)/)[1];
const kSceneCells = process.env.DAVUR_EVI_SCENE_CELLS || path.join(kRoot, 'build/tools/scene_cells');
const kChromium = process.env.DAVUR_EVI_CHROMIUM || '/usr/bin/chromium';
const kViewport = { width: 1280, height: 720 };
const kMusicStep = 2048 / 44100;   // The music clock moves in steps of one Web Audio buffer
const kMusicLagTolerance = 2 * kMusicStep;  // How far behind the music may fall before the show waits
const kDeadline = 90_000;          // ms; software WebGL on a busy machine can run a few frames a second
const kWindowClear = [5, 7, 12];
const kIntroSeconds = 6.19;        // The first scene's length (tests/scenes/text_scenes_test.cpp)

// Chromium's own notices, not the show's: Web Audio's ScriptProcessorNode (the audio device's
// only output on this emscripten; AudioWorklet needs a newer one) and the software renderer's
// read-back of the canvas for the compositor and the screenshots.
const kBrowserNotices = [
  /^The ScriptProcessorNode is deprecated\./,
  /GL Driver Message \(OpenGL, Performance, .*\): GPU stall due to ReadPixels/,
];

let server;
let browser;
let page;
let userDataDir;
let firstScene;  // The scene a show starts with
let musicDir;    // The tests' own music files
const messages = [];  // Console messages and page errors, except the browser notices above

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const state = (from = page) => from.evaluate(() => Module.showState());
// The state with the page's own clock, read together
const timedState = () => page.evaluate(() => ({ pageTime: performance.now() / 1000, ...Module.showState() }));

async function waitForState(predicate, what, from = page) {
  const end = Date.now() + kDeadline;
  let last;
  while (Date.now() < end) {
    last = await state(from);
    if (predicate(last)) return last;
    await sleep(100);
  }
  assert.fail(`timed out waiting for ${what}; last state ${JSON.stringify(last)}`);
}

// A click track as a WAV file: a short low thump with a bright tick on every beat of `bpm`, mono
// 16-bit at 44.1 kHz, `seconds` long.
function clickTrack(bpm, seconds) {
  const rate = 44100;
  const frames = Math.round(seconds * rate);
  const wav = Buffer.alloc(44 + frames * 2);
  wav.write('RIFF', 0);
  wav.writeUInt32LE(36 + frames * 2, 4);
  wav.write('WAVEfmt ', 8);
  wav.writeUInt32LE(16, 16);
  wav.writeUInt16LE(1, 20);         // PCM
  wav.writeUInt16LE(1, 22);         // Mono
  wav.writeUInt32LE(rate, 24);
  wav.writeUInt32LE(rate * 2, 28);
  wav.writeUInt16LE(2, 32);
  wav.writeUInt16LE(16, 34);
  wav.write('data', 36);
  wav.writeUInt32LE(frames * 2, 40);
  const beatFrames = Math.round(rate * 60 / bpm);
  let noise = 12345;
  for (let i = 0; i < frames; ++i) {
    const t = (i % beatFrames) / rate;
    noise = (noise * 1103515245 + 12345) % 2147483648;
    const tick = t < 0.004 ? (noise / 1073741824 - 1) * 0.3 : 0;
    const thump = t < 0.15 ? Math.sin(2 * Math.PI * 90 * t) * Math.exp(-t * 25) * 0.6 : 0;
    wav.writeInt16LE(Math.round((tick + thump) * 32000), 44 + i * 2);
  }
  return wav;
}

const kTrackBpm = 132;   // Neither the show's 125 nor a tracker's usual first guess
const nearTempo = (s) => Math.abs(s.tempo - kTrackBpm) <= kTrackBpm * 0.03;
// The caption "TITLE · N bpm" with N near the track's tempo (the tempo followed moves a little from
// frame to frame, so the caption is not compared with one reading of the state).
const captionNearTempo = (page, title) => page.waitForFunction((title, lo, hi) => {
  const caption = document.getElementById('caption');
  const words = caption.textContent.split(' \u00b7 ');
  const bpm = words.length === 2 && /^\d+ bpm$/.test(words[1]) ? parseInt(words[1], 10) : -1;
  return !caption.hidden && words[0] === title && bpm >= lo && bpm <= hi;
}, { timeout: kDeadline }, title, Math.floor(kTrackBpm * 0.97), Math.ceil(kTrackBpm * 1.03));

// The canvas's pixels from a screenshot, decoded by the page itself.
async function canvasPixels(from = page) {
  const png = await from.screenshot({ encoding: 'base64' });
  return from.evaluate(async (png) => {
    const image = new Image();
    image.src = `data:image/png;base64,${png}`;
    await image.decode();
    const canvas = new OffscreenCanvas(image.width, image.height);
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    return { width: image.width, height: image.height,
             data: Array.from(context.getImageData(0, 0, image.width, image.height).data) };
  }, png);
}

// Headless Chromium with software WebGL, its profile in `dir`; `extra` flags for a browser that lacks something.
function launch(dir, extra = []) {
  return puppeteer.launch({
    executablePath: kChromium,
    headless: true,
    userDataDir: dir,
    defaultViewport: kViewport,
    args: ['--no-sandbox', '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--no-first-run', '--autoplay-policy=no-user-gesture-required', '--enable-unsafe-swiftshader',
           `--window-size=${kViewport.width},${kViewport.height}`, ...extra],
  });
}

const pageUrl = () => `http://127.0.0.1:${server.address().port}/`;

before(async () => {
  assert.ok(fs.existsSync(path.join(kDist, 'index.html')), `${kDist} has no index.html: run scripts/build-web.sh`);
  server = await serve(kDist);
  userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'davur_evi-chromium-'));
  musicDir = fs.mkdtempSync(path.join(os.tmpdir(), 'davur_evi-music-'));
  fs.writeFileSync(path.join(musicDir, 'Chosen Track.wav'), clickTrack(kTrackBpm, 30));
  fs.writeFileSync(path.join(musicDir, 'a first.wav'), clickTrack(kTrackBpm, 12));
  fs.writeFileSync(path.join(musicDir, 'b second.wav'), clickTrack(kTrackBpm, 30));
  fs.writeFileSync(path.join(musicDir, 'room.wav'), clickTrack(kTrackBpm, 20));
  // An MP3's name on bytes that are none: a header's first bytes, then noise
  const damaged = Buffer.alloc(64 * 1024);
  for (let i = 0; i < damaged.length; ++i) damaged[i] = (i * 7919 + (i >> 3)) & 0xff;
  damaged.write('ID3', 0);
  fs.writeFileSync(path.join(musicDir, 'damaged.mp3'), damaged);
  browser = await launch(userDataDir);
  page = await browser.newPage();
  page.on('console', (message) => {
    if (!kBrowserNotices.some((notice) => notice.test(message.text()))) {
      messages.push(`console ${message.type()}: ${message.text()}`);
    }
  });
  page.on('pageerror', (error) => messages.push(`page error: ${error.message}`));
  page.on('requestfailed', (request) => {
    // The page's look at a chosen file's length: the browser stops reading it once it knows
    if (request.url().startsWith('blob:') && request.failure()?.errorText === 'net::ERR_ABORTED') return;
    messages.push(`request failed: ${request.url()}`);
  });
  await page.goto(pageUrl());
});

after(async () => {
  if (browser) await browser.close();
  if (server) server.close();
  if (userDataDir) fs.rmSync(userDataDir, { recursive: true, force: true });
  if (musicDir) fs.rmSync(musicDir, { recursive: true, force: true });
});

// Every scene on the same script of times, grids, beat and audio, hashed by the same code in both
// builds (app/scene_cells.cpp): the browser's wasm and the desktop's native code must draw the same
// cells. The desktop's hashes are computed now, so a change to a scene changes both sides.
// Every scene's cells in the page's wasm against the desktop's, computed now, so that a change to a
// scene changes both sides.
async function compareSceneCellsWithDesktop() {
  assert.ok(fs.existsSync(kSceneCells), `${kSceneCells} is missing: build the desktop target scene_cells`);
  const desktop = promisify(execFile)(kSceneCells, [], { timeout: 10 * kDeadline });
  const web = await page.evaluate(() => Module.sceneCells());
  const native = JSON.parse((await desktop).stdout);
  const key = (row) => `${row.scene} ${row.cols}x${row.rows}`;
  assert.ok(native.length >= 22, `only ${native.length} scene runs on the desktop`);
  assert.deepEqual(web.map(key), native.map(key), 'the builds ran different scenes or grids');
  const differing = native.flatMap((row, i) =>
    row.hash === web[i].hash ? [] : [`${key(row)}: desktop ${row.hash}, browser ${web[i].hash}`]);
  assert.deepEqual(differing, [], `cells differ between the desktop and the browser:\n${differing.join('\n')}`);
  // Sanity: the scenes really drew, each something of its own
  assert.equal(new Set(native.map((row) => row.hash)).size, native.length, 'two runs hashed alike');
}

// Every scene on the same script of times, grids, beat and audio, hashed by the same code in both
// builds (app/scene_cells.cpp): the browser's wasm and the desktop's native code must draw the same
// cells.
test('every scene draws the same cells in the browser as on the desktop', async () => {
  await page.waitForFunction(() => document.getElementById('start').textContent.includes('click'),
                             { timeout: kDeadline });
  await compareSceneCellsWithDesktop();
  assert.equal((await state()).started, false, 'the hashes started the show');
});

// A page of its own on a slow line (half a megabyte a second), on a touch screen.
test('the download shows its progress; a tap starts the show and the next tap skips a scene', async () => {
  const touch = await browser.newPage();
  try {
    await touch.setViewport({ ...kViewport, hasTouch: true });
    const cdp = await touch.createCDPSession();
    await cdp.send('Network.enable');
    await cdp.send('Network.emulateNetworkConditions',
                   { offline: false, latency: 0, downloadThroughput: 500_000, uploadThroughput: -1 });
    // Every percentage the page shows, as it shows it
    await touch.evaluateOnNewDocument(() => {
      window.percentsShown = [];
      new MutationObserver(() => {
        const found = (document.getElementById('percent')?.textContent || '').match(/(\d+)%/);
        const shown = window.percentsShown;
        if (found && shown[shown.length - 1] !== Number(found[1])) shown.push(Number(found[1]));
      }).observe(document, { subtree: true, childList: true, characterData: true });
    });
    await touch.goto(pageUrl(), { waitUntil: 'domcontentloaded' });
    await touch.waitForFunction(() => document.getElementById('start').textContent.includes('tap'),
                                { timeout: kDeadline });
    const prompt = await touch.$eval('#start', (e) => e.textContent);
    const percents = await touch.evaluate(() => window.percentsShown);
    assert.match(prompt, /click, tap or press a key to start/);
    // Rising, through the middle, complete before the prompt
    assert.ok(percents.length >= 4 && percents.some((p) => p > 10 && p < 90), `progress seen: ${percents}`);
    assert.deepEqual([...percents].sort((a, b) => a - b), percents, `progress went back: ${percents}`);
    assert.equal(percents[percents.length - 1], 100, `progress seen: ${percents}`);

    await touch.touchscreen.tap(kViewport.width / 2, kViewport.height / 2);
    const first = await waitForState((s) => s.started && s.frames >= 2, 'the show after a tap', touch);
    assert.equal(first.mode, 'show');
    assert.ok(first.sceneTime < kIntroSeconds - 2, `the first scene is ${first.sceneTime} s in before the tap`);
    await touch.touchscreen.tap(kViewport.width / 3, kViewport.height / 3);
    // The flight to the next scene, seen long before the first scene would end by itself
    const next = await waitForState((s) => s.transition || s.scene !== first.scene,
                                    `a scene after ${first.scene} from a tap`, touch);
    const into = next.frameTime - (first.frameTime - first.sceneTime);
    assert.ok(into < kIntroSeconds, `the scene moved on ${into} s into it, by itself`);
    assert.equal(next.mode, 'show');
  } finally {
    await touch.close();
  }
});

// What a browser lacks is named before anything large downloads, instead of a failure.
test('a browser without WebGL 2, or without Web Audio, says so and downloads nothing', async () => {
  const sentence = async (from) => {
    const requested = [];
    from.on('request', (request) => requested.push(new URL(request.url()).pathname));
    await from.goto(pageUrl());
    await from.waitForFunction(() => document.getElementById('start').textContent.includes('This browser has no'),
                               { timeout: kDeadline });
    await sleep(500);  // Time for any download that should not start
    assert.deepEqual(requested.filter((p) => /davur_evi\.(js|wasm|data)$/.test(p)), [], 'the show downloaded anyway');
    return from.$eval('#start', (e) => e.textContent);
  };
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'davur_evi-chromium-'));
  const bare = await launch(dir, ['--disable-webgl']);
  try {
    const text = await sentence(await bare.newPage());
    assert.match(text, /no WebGL 2, which draws the picture/);
    assert.doesNotMatch(text, /Web Audio|WebAssembly/);
  } finally {
    await bare.close();
    fs.rmSync(dir, { recursive: true, force: true });
  }
  const silent = await browser.newPage();
  try {
    await silent.evaluateOnNewDocument(() => {
      delete window.AudioContext;
      delete window.webkitAudioContext;
    });
    const text = await sentence(silent);
    assert.match(text, /no Web Audio, which plays the sound/);
    assert.doesNotMatch(text, /WebGL|WebAssembly/);
  } finally {
    await silent.close();
  }
});

test('the show waits for a click, then frames advance with the music', async () => {
  await page.waitForFunction(() => document.getElementById('start').textContent.includes('click'),
                             { timeout: kDeadline });
  assert.equal((await state()).started, false, 'the show started before the click');
  // Before the show, an about line with the version and links to the licence and the notices
  assert.equal(await page.$eval('#about', (e) => e.textContent.replace(/\s+/g, ' ').trim()),
               `davur_evi ${kVersion} · zlib licence · notices`);
  const served = await page.evaluate(() => Promise.all(
    [...document.querySelectorAll('#about a')].map((a) => fetch(a.href).then((r) => r.ok && r.text()))));
  assert.ok(served.length === 2 && served[0].includes('the davur_evi developers') &&
            served[1].includes('Covers: libraylib.a'),
            'the licence or the notices are not served beside the page');
  await page.click('#start');
  assert.equal(await page.$('#about'), null, 'the about line stayed over the show');
  await waitForState((s) => s.started && s.frames >= 10 && s.musicTime > 0.5, 'frames and music');

  const first = await timedState();
  firstScene = first.scene;
  assert.equal(first.source, 'show');
  assert.equal(first.title, '');
  assert.equal(first.tempo, 125);
  assert.equal(first.effect, first.scene);
  await sleep(3000);
  const second = await timedState();
  const pageTime = second.pageTime - first.pageTime;

  assert.ok(second.frames > first.frames + 3, `frames ${first.frames} -> ${second.frames}`);
  assert.equal(second.font, 'DejaVu Sans Mono');
  assert.ok(second.music && second.musicPlaying, 'the music is not playing');
  const musicStep = second.musicTime - first.musicTime;
  // Both clocks move with the page's; the music's in steps, and the show's waits for the music
  // (Slower, never faster: frames that come too slowly can let its stream run dry)
  assert.ok(musicStep > pageTime / 2 && musicStep < pageTime + 2 * kMusicStep,
            `music moved ${musicStep} s in ${pageTime} s`);
  // The frames' times against the music each was given: never further apart than the show lets the
  // music fall behind, plus the step the music's reading can be off by
  const frameStep = second.frameTime - first.frameTime;
  const frameMusicStep = second.frameMusic - first.frameMusic;
  assert.ok(Math.abs(frameStep - frameMusicStep) <= kMusicLagTolerance + kMusicStep,
            `frames moved ${frameStep} s, their music ${frameMusicStep} s`);
});

test('the canvas fills the page and shows the grid with the letterbox', async () => {
  const s = await state();
  assert.deepEqual(s.screen, [kViewport.width, kViewport.height]);

  // A plain frame: during a transition the view flies into a cell and covers the bars
  let shot;
  const end = Date.now() + kDeadline;
  while (Date.now() < end) {
    const before = await state();
    shot = await canvasPixels();
    const after = await state();
    if (!before.transition && !after.transition && before.scene === after.scene) break;
    shot = null;
    await sleep(300);
  }
  assert.ok(shot, 'no screenshot between transitions');
  const { width, height, data } = shot;
  const pixel = (x, y) => data.slice((y * width + x) * 4, (y * width + x) * 4 + 3);
  // The grid's 10:18 cells make it narrower than 16:9: plain dark bars left and right (the window's
  // clear colour, or darker while a transition fades the picture)
  const bar = pixel(2, 0);
  assert.ok(bar[0] + bar[1] + bar[2] <= kWindowClear[0] + kWindowClear[1] + kWindowClear[2], `bar ${bar}`);
  for (let y = 0; y < height; y += 7) {
    assert.deepEqual(pixel(2, y), bar, `left bar at ${y}`);
    assert.deepEqual(pixel(width - 3, y), bar, `right bar at ${y}`);
  }
  const colours = new Set();
  let lit = 0;
  for (let i = 0; i < data.length; i += 4) {
    colours.add((data[i] << 16) | (data[i + 1] << 8) | data[i + 2]);
    if (data[i] + data[i + 1] + data[i + 2] > 120) ++lit;
  }
  assert.ok(colours.size > 20, `only ${colours.size} colours on the canvas`);
  assert.ok(lit > width * height * 0.002, `only ${lit} bright pixels`);
});

// SPACE held until a frame has seen it (the key acts once per press, on the frame after it goes
// down), then the next scene, or the closing screen after the last; returns the states around it.
async function pressSpace() {
  const before = await waitForState((s) => !s.transition, 'a scene without a transition');
  await page.keyboard.down('Space');
  await waitForState((s) => s.frames >= before.frames + 3, 'frames while SPACE is held');
  await page.keyboard.up('Space');
  const after = await waitForState((s) => s.scene !== before.scene || s.mode !== before.mode,
                                   `a scene after ${before.scene}`);
  return { before, after };
}

test('a held SPACE moves the show to the next scene', async () => {
  const { before, after } = await pressSpace();
  assert.notEqual(after.cells, before.cells);
  assert.equal(after.mode, 'show');
});

test('the corner control asks for fullscreen and the canvas follows', async () => {
  await page.click('#fullscreen');
  await page.waitForFunction(() => document.fullscreenElement === document.getElementById('stage'),
                             { timeout: kDeadline });
  // Headless Chromium's fullscreen is its window; a desktop's is the screen
  const size = await page.evaluate(() => [document.getElementById('stage').clientWidth,
                                          document.getElementById('stage').clientHeight]);
  await waitForState((s) => s.screen[0] === size[0] && s.screen[1] === size[1], `a ${size} canvas`);
  await page.click('#fullscreen');
  await page.waitForFunction(() => document.fullscreenElement === null, { timeout: kDeadline });
  await waitForState((s) => s.screen[0] === kViewport.width && s.screen[1] === kViewport.height,
                     'the page-sized canvas again');
});

test('a hidden tab pauses the show with the music: no drift when it is shown again', async (t) => {
  const other = await browser.newPage();
  await page.bringToFront();
  await waitForState((s) => !s.paused && s.musicPlaying, 'the show running in front');

  await other.bringToFront();
  await page.waitForFunction(() => document.visibilityState === 'hidden', { timeout: kDeadline });
  const hidden = await state();
  await sleep(4000);
  const stillHidden = await state();
  assert.ok(hidden.paused && !hidden.musicPlaying, 'the show or the music went on in a hidden tab');
  assert.equal(stillHidden.clock, hidden.clock, 'the show clock moved while hidden');
  assert.equal(stillHidden.musicTime, hidden.musicTime, 'the music moved while hidden');
  assert.equal(stillHidden.frames, hidden.frames, 'frames ran while hidden');

  // The first frame after the tab is shown again, caught in the page, against the last one before
  const firstFrame = page.evaluate(async (frames) => {
    for (;;) {
      const s = Module.showState();
      if (s.frames > frames) return s;
      await new Promise((resolve) => setTimeout(resolve, 1));
    }
  }, hidden.frames);
  await page.bringToFront();
  const shown = await firstFrame;
  // Both clocks stopped in the same event and went on in the same event: what is left is how far
  // each ran between a frame and an event, and the step the music's reading moves in. On a busy
  // machine a frame can land anywhere within the lag the show allows before it waits for the music,
  // so that lag, not one reading step, is the bound that does not depend on the machine's speed.
  const drift = (shown.frameTime - shown.frameMusic) - (hidden.frameTime - hidden.frameMusic);
  t.diagnostic(`drift across 4 s hidden: ${(drift * 1000).toFixed(1)} ms`);
  assert.ok(Math.abs(drift) <= kMusicLagTolerance, `pictures and sound drifted ${drift} s apart`);
  await waitForState((s) => s.musicTime > hidden.musicTime + 0.2, 'the music going on');
  await other.close();
});

// After the last scene, the closing screen, then the end card; "watch the show again" plays the
// show from its beginning as a fresh page does (its clock from 0, the track from its start).
test('the end card follows the closing screen, and the show plays again from its start', async () => {
  let last;
  for (let i = 0; i < 20 && (!last || last.mode === 'show'); ++i) last = (await pressSpace()).after;
  assert.equal(last.mode, 'outro', 'SPACE did not reach the closing screen');
  assert.equal(await page.$eval('#endcard', (e) => e.hidden), true, 'the end card came before the end');
  await page.waitForSelector('#endcard:not([hidden])', { timeout: kDeadline });
  const ended = await state();
  assert.equal(ended.mode, 'finished');
  assert.ok(!ended.musicPlaying, 'the music plays on under the end card');
  assert.deepEqual(await page.$$eval('#endcard button', (b) => b.map((e) => e.textContent)),
                   ['watch the show again', 'play your own music']);
  if (process.env.DAVUR_EVI_END_CARD_PNG) await page.screenshot({ path: process.env.DAVUR_EVI_END_CARD_PNG });
  // One whole showing later, the wasm still draws every scene as the desktop does
  await compareSceneCellsWithDesktop();

  // "play your own music" opens the file chooser; a cancelled choice leaves the card
  const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: kDeadline }), page.click('#own')]);
  await chooser.cancel();
  assert.equal(await page.$eval('#endcard', (e) => e.hidden), false, 'a cancelled choice took the end card');

  const clicked = await timedState();
  await page.click('#again');
  assert.equal(await page.$eval('#endcard', (e) => e.hidden), true, 'the end card stayed');
  const again = await waitForState((s) => s.mode === 'show' && s.frames > ended.frames + 5 && s.musicTime > 0.5,
                                   'the show again with its music');
  const since = (await timedState()).pageTime - clicked.pageTime;
  assert.equal(again.scene, firstScene);
  assert.equal(again.effect, firstScene);
  assert.ok(again.clock < since + 0.5, `the show's clock reads ${again.clock} s, ${since} s after the click`);
  assert.ok(again.musicTime < since + 0.5, `the track is at ${again.musicTime} s, ${since} s after the click`);
  assert.deepEqual([again.source, again.tempo], ['show', 125]);
});


// Your music on the page that played the show: a file through the music button's chooser, two
// dropped together (name order), a damaged one; each decoded by the browser and followed by the
// visualizer in the wasm.
test('a chosen file plays through the visualizer with its title and tempo in the caption', async () => {
  await page.waitForFunction(() => !document.getElementById('start') ||
                                   document.getElementById('start').textContent.includes('click'),
                             { timeout: kDeadline });
  const file = path.join(musicDir, 'Chosen Track.wav');
  const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: kDeadline }), page.click('#music')]);
  assert.ok(chooser.isMultiple(), 'the chooser takes one file only');
  await chooser.accept([file]);
  const playing = await waitForState((s) => s.source === 'file' && s.position > 1 && nearTempo(s),
                                     `the file playing at ${kTrackBpm} bpm`);
  assert.equal(playing.title, 'Chosen Track');
  assert.equal(playing.mode, 'show');
  assert.ok(playing.effect.length > 0, 'no effect named');
  assert.equal(playing.music, false, "the show's own track plays under yours");
  await captionNearTempo(page, 'Chosen Track');
  // The page plays it: the position follows the page's clock
  const first = await timedState();
  await sleep(2000);
  const second = await timedState();
  const moved = second.position - first.position;
  const pageTime = second.pageTime - first.pageTime;
  assert.ok(moved > pageTime / 2 && moved < pageTime + 0.2, `the track moved ${moved} s in ${pageTime} s`);
});

test('files dropped together play in name order, the next when the first is over', async () => {
  const bytes = ['b second.wav', 'a first.wav'].map((name) => ({
    name, data: fs.readFileSync(path.join(musicDir, name)).toString('base64') }));
  await page.evaluate((files) => {
    const transfer = new DataTransfer();
    for (const file of files) {
      const data = Uint8Array.from(atob(file.data), (c) => c.charCodeAt(0));
      transfer.items.add(new File([data], file.name, { type: 'audio/wav' }));
    }
    document.getElementById('canvas').dispatchEvent(
      new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  }, bytes);
  const first = await waitForState((s) => s.title === 'a first' && s.position > 0.5 && nearTempo(s),
                                   `"a first" playing at ${kTrackBpm} bpm`);
  assert.equal(first.source, 'file');
  const second = await waitForState((s) => s.title === 'b second' && s.position > 0.5, '"b second" after "a first"');
  assert.equal(second.mode, 'show');
});

test('a damaged file gets a short message and the music playing goes on', async () => {
  const before = await state();
  const input = await page.$('#files');
  await input.uploadFile(path.join(musicDir, 'damaged.mp3'));
  await page.waitForFunction(() => {
    const notice = document.getElementById('notice');
    return !notice.hidden && notice.textContent.includes('damaged.mp3 could not be played');
  }, { timeout: kDeadline });
  const after = await waitForState((s) => s.frames > before.frames + 3, 'frames after the message');
  assert.equal(after.title, before.title);
  assert.ok(after.position > before.position, 'the music stopped');
});

// The room's sound: Chromium's fake microphone plays a click track; a refused microphone gets its
// sentence instead.
test('the microphone button: a fake microphone is heard and its tempo found; a refusal is explained', async () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'davur_evi-chromium-'));
  const listening = await launch(dir, ['--use-fake-device-for-media-stream', '--use-fake-ui-for-media-stream',
                                       `--use-file-for-fake-audio-capture=${path.join(musicDir, 'room.wav')}`]);
  try {
    const room = await listening.newPage();
    await room.goto(pageUrl());
    await room.waitForFunction(() => document.getElementById('start').textContent.includes('click'),
                               { timeout: kDeadline });
    await room.click('#microphone');
    const heard = await waitForState((s) => s.source === 'microphone' && nearTempo(s),
                                     `the microphone at ${kTrackBpm} bpm`, room);
    assert.equal(heard.mode, 'show');
    assert.equal(heard.music, false);
    await captionNearTempo(room, 'microphone');
  } finally {
    await listening.close();
    fs.rmSync(dir, { recursive: true, force: true });
  }

  const refused = await browser.newPage();
  try {
    await browser.defaultBrowserContext().overridePermissions(pageUrl(), []);
    await refused.goto(pageUrl());
    await refused.waitForFunction(() => document.getElementById('start').textContent.includes('click'),
                                  { timeout: kDeadline });
    await refused.click('#microphone');
    await refused.waitForFunction(() => {
      const notice = document.getElementById('notice');
      return !notice.hidden && /microphone was not allowed|No microphone was found/.test(notice.textContent);
    }, { timeout: kDeadline });
    assert.equal((await state(refused)).started, false, 'a refused microphone started the page');
  } finally {
    await refused.close();
  }
});

test('nothing reaches the console', () => {
  assert.deepEqual(messages, []);
});
