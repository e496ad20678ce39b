// The program in a real browser: headless chromium shows the site, the
// keys of each scenario (scenarios.json) are typed into the page, and
// after every step the terminal's cells and colours must be those the
// Linux program showed in tmux for the same keys (reference.py's record);
// the files it offers for download must be byte for byte the Linux
// program's.
//
//   PW_WEB_SITE=build-web/site PW_WEB_EXPECTED=<reference.py's OUT> \
//   PW_WEB_SHOTS=<folder for screenshots> node --test tests/web/
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { execFileSync } from 'node:child_process';
import { dirname, join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import {
  launchBrowser, readScreen, screenDifferences, screenText, serveSite, typeKeys, waitIdle,
} from './browser.mjs';

const HERE = dirname(fileURLToPath(import.meta.url));
const SITE = process.env.PW_WEB_SITE || join(HERE, '../../build-web/site');
const EXPECTED = process.env.PW_WEB_EXPECTED;
// The Linux program, for the protractor the form draws.
const LINUX_EXE = process.env.PW_WEB_LINUX_EXE;
const SHOTS = process.env.PW_WEB_SHOTS || join(HERE, '../../build-web');
const { scenarios } = JSON.parse(readFileSync(join(HERE, 'scenarios.json'), 'utf8'));

let server;
let chromium;

before(async () => {
  assert.ok(EXPECTED && existsSync(EXPECTED), 'PW_WEB_EXPECTED names the reference screens (reference.py)');
  server = await serveSite(SITE);
  chromium = await launchBrowser();
});

after(async () => {
  if (chromium) await chromium.close();
  if (server) await server.close();
});

function expected(scenario, file) {
  return readFileSync(join(EXPECTED, scenario, file));
}

function expectedScreen(scenario, step) {
  return JSON.parse(expected(scenario, `step-${step}.json`).toString('utf8'));
}

function assertSameScreen(got, want, what) {
  const diffs = screenDifferences(got, want);
  assert.deepEqual(diffs.slice(0, 12), [],
                   `${what}: ${diffs.length} differences; the page shows\n${screenText(got)}\n` +
                   `the Linux program shows\n${screenText(want)}`);
}

// A fresh page on the site, its downloads going to a folder of their own,
// at the main screen.
async function openPage() {
  const page = await chromium.browser.newPage();
  await page.setViewport({ width: 1400, height: 900 });
  const downloads = mkdtempSync(join(tmpdir(), 'pw-web-downloads.'));
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  await page.goto(server.url);
  await waitIdle(page);
  return { page, downloads, errors };
}

// The page's download links: name, the size shown, and the file.
async function fileLinks(page) {
  return page.$$eval('#files li', (items) => items.map((li) => ({
    name: li.querySelector('a').textContent,
    download: li.querySelector('a').download,
    size: li.querySelector('.size').textContent,
  })));
}

// Clicks the link for `name` and gives the bytes that arrive.
async function download(page, downloads, name) {
  await page.click(`#files a[download="${name}"]`);
  const file = join(downloads, name);
  const end = Date.now() + 20000;
  while (Date.now() < end) {
    const partial = readdirSync(downloads).some((f) => f.endsWith('.crdownload'));
    if (existsSync(file) && !partial) return readFileSync(file);
    await new Promise((ok) => setTimeout(ok, 50));
  }
  throw new Error(`${name} was not downloaded`);
}

async function bells(page) {
  return page.evaluate(() => window.pivotwright.bells);
}

for (const scenario of scenarios) {
  test(scenario.name, async () => {
    const { page, downloads, errors } = await openPage();
    try {
      assertSameScreen(await readScreen(page), expectedScreen(scenario.name, 0), 'the main screen');
      assert.equal(await page.title(), 'Pivotwright');
      for (const [i, step] of scenario.steps.entries()) {
        const bellsBefore = await bells(page);
        await typeKeys(page, step.keys);
        await waitIdle(page);
        assertSameScreen(await readScreen(page), expectedScreen(scenario.name, i + 1),
                         `after step ${i + 1} (${JSON.stringify(step.keys)})`);
        if (step.beeps !== undefined) {
          assert.equal(await bells(page) - bellsBefore, step.beeps, `beeps of step ${i + 1}`);
        }
      }
      if (scenario.screenshot) {
        mkdirSync(SHOTS, { recursive: true });
        // The page's content with a margin of the page around it.
        const box = await (await page.$('main')).boundingBox();
        await page.screenshot({
          path: join(SHOTS, `web-${scenario.screenshot}.png`),
          clip: { x: box.x - 16, y: box.y - 16, width: box.width + 32, height: box.height + 32 },
        });
      }
      const links = await fileLinks(page);
      assert.deepEqual(links.map((l) => l.name), [...scenario.files].sort(), 'the files offered');
      for (const name of scenario.files) {
        const want = expected(scenario.name, name);
        const link = links.find((l) => l.name === name);
        assert.equal(link.size, `${want.length.toLocaleString('en')} bytes`, `${name}: the size shown`);
        const got = await download(page, downloads, name);
        assert.ok(got.equals(want), `${name}: ${got.length} bytes downloaded, the Linux program wrote ` +
                                    `${want.length}; they differ`);
      }
      assert.deepEqual(errors, [], 'errors in the page');
    } finally {
      await page.close();
      rmSync(downloads, { recursive: true, force: true });
    }
  });
}

test('quitting leaves the last screen; starting again keeps the folder', async () => {
  const { page, downloads, errors } = await openPage();
  try {
    const main = expectedScreen('action2-protractor', 0);
    for (const keys of ['2\r', '60.325\r', '146.05\r', 'Y\r', ' ']) {
      await typeKeys(page, keys);
      await waitIdle(page);
    }
    assertSameScreen(await readScreen(page), main, 'back at the main screen');
    await typeKeys(page, '4');
    await waitIdle(page);
    const before = await readScreen(page);
    await typeKeys(page, '\r');
    await page.waitForFunction(() => document.body.dataset.state === 'ended', { timeout: 20000 });
    const last = await readScreen(page);
    assert.deepEqual(last.rows, before.rows, 'the last screen stays as it was');
    assert.equal(last.cursor.shown, false, 'no cursor once the program has ended');
    assert.match(await page.$eval('#status', (e) => e.textContent), /has ended/);
    assert.equal(await page.$eval('#again', (e) => e.hidden), false, 'Start again offered');
    // Keys typed into the screen now go nowhere (given time to show up).
    await page.click('#terminal');
    await typeKeys(page, '1\r');
    await new Promise((ok) => setTimeout(ok, 500));
    assert.deepEqual((await readScreen(page)).rows, before.rows, 'keys after the end change nothing');
    assert.equal(await page.$eval('body', (b) => b.dataset.state), 'ended');

    const drawing = await download(page, downloads, 'protractor.emf');
    // The page needs nothing more from the server to start again.
    await page.setOfflineMode(true);
    await page.click('#again');
    await page.waitForFunction(() => document.body.dataset.state === 'running', { timeout: 20000 });
    await waitIdle(page);
    assertSameScreen(await readScreen(page), main, 'the main screen of the new run');
    assert.deepEqual((await fileLinks(page)).map((l) => l.name), ['protractor.emf'],
                     'the folder carried over');
    rmSync(join(downloads, 'protractor.emf'));
    assert.ok((await download(page, downloads, 'protractor.emf')).equals(drawing),
              'the carried-over drawing has the same bytes');
    assert.deepEqual(errors, [], 'errors in the page');
  } finally {
    await page.close();
    rmSync(downloads, { recursive: true, force: true });
  }
});

test('a page opened as a file says it needs a web server', async () => {
  const page = await chromium.browser.newPage();
  try {
    await page.goto(pathToFileURL(join(SITE, 'index.html')).href);
    await page.waitForFunction(() => /web server/.test(document.getElementById('status').textContent),
                               { timeout: 20000 });
  } finally {
    await page.close();
  }
});

// The buffer holds palette indices; what the eye sees is the theme's colour
// for each.  Black text and dark grey menu texts on bright white, as the
// console shows them.
test('the screen shows the console colours', async () => {
  const { page } = await openPage();
  try {
    const colours = await page.evaluate(() => {
      const rows = document.querySelectorAll('.xterm-rows > div');
      const spanWith = (row, text) => [...rows[row - 1].querySelectorAll('span')]
        .find((s) => s.textContent.replace(/\u00a0/g, ' ').includes(text));
      const style = (span) => getComputedStyle(span);
      const header = spanWith(2, 'Pivotwright');
      const menuText = spanWith(12, 'Calculate optimum');
      return {
        header: style(header).color,
        headerBackground: style(header).backgroundColor,
        menuText: style(menuText).color,
        menuBackground: style(menuText).backgroundColor,
      };
    });
    assert.deepEqual(colours, {
      header: 'rgb(0, 0, 0)',
      headerBackground: 'rgb(255, 255, 255)',
      menuText: 'rgb(128, 128, 128)',
      menuBackground: 'rgb(255, 255, 255)',
    });
  } finally {
    await page.close();
  }
});

// The form runs the program's protractor command: the PDF it offers has the
// bytes the Linux program writes for the same options; a wrong length is
// answered with the command's own words.
test('the protractor form gives the PDF of the Linux program', async () => {
  assert.ok(LINUX_EXE && existsSync(LINUX_EXE), 'PW_WEB_LINUX_EXE names the Linux program');
  const { page, errors } = await openPage();
  const folder = mkdtempSync(join(tmpdir(), 'pw-web-protractor.'));
  try {
    const cases = [
      { given: 'pivot', length: '222', alignment: 'baerwald', groove: 'iec', paper: 'a4' },
      { given: 'arm', length: '240', alignment: 'lofgren-b', groove: 'din', paper: 'letter' },
    ];
    for (const c of cases) {
      await page.select('#protractor select[name=given]', c.given);
      await page.$eval('#protractor input[name=length]', (e, v) => { e.value = v; }, c.length);
      await page.select('#protractor select[name=alignment]', c.alignment);
      await page.select('#protractor select[name=groove]', c.groove);
      await page.select('#protractor select[name=paper]', c.paper);
      await page.evaluate(() => { window.pivotwright.protractor = null; });
      await page.click('#protractor button[type=submit]');
      await page.waitForFunction(() => window.pivotwright.protractor, { timeout: 30000 });
      const got = Buffer.from(await page.evaluate(() => [...window.pivotwright.protractor]));
      execFileSync(LINUX_EXE, ['protractor', `--${c.given}`, c.length, '--alignment', c.alignment,
                               '--groove', c.groove, '--paper', c.paper, '-o', 'want.pdf'], { cwd: folder });
      const want = readFileSync(join(folder, 'want.pdf'));
      assert.ok(got.equals(want), `${JSON.stringify(c)}: ${got.length} bytes from the page, ` +
                                  `${want.length} from the Linux program; they differ`);
      assert.equal(await page.$eval('#protractor-link', (a) => a.hidden), false, 'the PDF offered');
    }
    await page.$eval('#protractor input[name=length]', (e) => { e.value = '12,5'; });
    await page.click('#protractor button[type=submit]');
    await page.waitForFunction(() => /not a number/.test(document.getElementById('protractor-result').textContent),
                               { timeout: 30000 });
    assert.equal(await page.$eval('#protractor-link', (a) => a.hidden), true, 'no PDF for a wrong length');
    // The screen's program goes on meanwhile.
    assertSameScreen(await readScreen(page), expectedScreen('action2-protractor', 0), 'the main screen');
    assert.deepEqual(errors, [], 'errors in the page');
  } finally {
    await page.close();
    rmSync(folder, { recursive: true, force: true });
  }
});
