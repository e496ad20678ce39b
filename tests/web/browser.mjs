// What the browser tests and the benchmark share: a static server for the
// site on 127.0.0.1, Debian's chromium driven by puppeteer-core, and the
// page's terminal read through xterm.js's buffer API.
import { createServer } from 'node:http';
import { mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { extname, join, normalize, resolve, sep } from 'node:path';
import puppeteer from 'puppeteer-core';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.mjs': 'text/javascript',
  '.css': 'text/css',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
};

// Serves `dir` on 127.0.0.1 at a free port.  Resolves to {url, close}.
export function serveSite(dir) {
  const root = resolve(dir);
  const server = createServer((req, res) => {
    const path = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    const file = normalize(join(root, path.endsWith('/') ? path + 'index.html' : path));
    let body;
    try {
      if (!file.startsWith(root + sep) || !statSync(file).isFile()) throw new Error('not found');
      body = readFileSync(file);
    } catch {
      res.writeHead(404, { 'Content-Type': 'text/plain' });
      res.end('not found');
      return;
    }
    res.writeHead(200, { 'Content-Type': TYPES[extname(file)] || 'application/octet-stream',
                         'Content-Length': body.length, 'Cache-Control': 'no-store' });
    res.end(body);
  });
  return new Promise((ok, fail) => {
    server.once('error', fail);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      ok({ url: `http://127.0.0.1:${port}/`,
           close: () => new Promise((done) => { server.closeAllConnections(); server.close(done); }) });
    });
  });
}

export const CHROMIUM = process.env.PW_CHROMIUM || '/usr/bin/chromium';

// Headless chromium with a profile of its own, nothing fetched from the
// network.  Resolves to {browser, close}.
export async function launchBrowser() {
  const profile = mkdtempSync(join(tmpdir(), 'pw-web-chromium.'));
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--disable-dev-shm-usage', '--window-size=1400,900'],
  });
  return {
    browser,
    close: async () => {
      await browser.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Waits until the program waits for a key with everything written shown.
export async function waitIdle(page, timeout = 60000) {
  await page.waitForFunction(() => document.body.dataset.idle === 'yes', { timeout, polling: 'raf' });
}

// Types keys as a user does: Enter and Backspace as those keys, everything
// else as text.
export async function typeKeys(page, keys) {
  const named = { '\r': 'Enter', '\x7f': 'Backspace' };
  for (const ch of keys) {
    if (named[ch]) await page.keyboard.press(named[ch]);
    else await page.keyboard.type(ch);
  }
}

// The terminal's 90 x 30 cells in the shape of tests/support/screen.py's JSON:
// each cell's character and the console palette index of its colours (the
// terminal's default colours counted as 7 on 0, as that tool counts them),
// with the cursor.
export async function readScreen(page) {
  return page.evaluate(() => {
    const term = window.pivotwright.terminal;
    const buffer = term.buffer.active;
    // xterm.js numbers colours as ANSI does (red 1, green 2, blue 4,
    // bright 8); the console's palette has blue 1 and red 4.
    const palette = (n) => (n & 8) | (n & 1 ? 4 : 0) | (n & 2) | (n & 4 ? 1 : 0);
    const rows = [];
    for (let r = 0; r < term.rows; ++r) {
      const line = buffer.getLine(buffer.viewportY + r);
      const cells = [];
      for (let c = 0; c < term.cols; ++c) {
        const cell = line.getCell(c);
        cells.push({
          ch: cell.getChars() || ' ',
          fg: cell.isFgPalette() ? palette(cell.getFgColor()) : (cell.isFgDefault() ? 7 : -1),
          bg: cell.isBgPalette() ? palette(cell.getBgColor()) : (cell.isBgDefault() ? 0 : -1),
        });
      }
      rows.push(cells);
    }
    const shown = !term._core.coreService.isCursorHidden;
    return { rows, cursor: { row: buffer.cursorY, col: buffer.cursorX, shown } };
  });
}

// The rows as text, for messages.
export function screenText(screen) {
  return screen.rows.map((row) => row.map((c) => c.ch).join('').trimEnd()).join('\n');
}

// What two screens differ in, as lines of text (none when they agree).  A
// blank's foreground is not seen, and terminals differ in what they keep
// for it, so it is not compared.  The cursor counts only where it is shown.
export function screenDifferences(got, want) {
  const out = [];
  for (let r = 0; r < 30; ++r) {
    for (let c = 0; c < 90; ++c) {
      const g = got.rows[r][c];
      const w = want.rows[r][c];
      const fgMatters = w.ch !== ' ' || g.ch !== ' ';
      if (g.ch !== w.ch || g.bg !== w.bg || (fgMatters && g.fg !== w.fg)) {
        out.push(`row ${r + 1} column ${c + 1}: ${JSON.stringify(g)}, expected ${JSON.stringify(w)}`);
      }
    }
  }
  if (got.cursor.shown !== want.cursor.shown ||
      (want.cursor.shown && (got.cursor.row !== want.cursor.row || got.cursor.col !== want.cursor.col))) {
    out.push(`cursor ${JSON.stringify(got.cursor)}, expected ${JSON.stringify(want.cursor)}`);
  }
  return out;
}
