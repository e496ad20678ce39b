// The page's costs, measured in headless chromium from a server on
// 127.0.0.1 (not timed tests: numbers to read and compare).
//
//   node bench/web.mjs [SITE]          (SITE: build-web/site)
//
//   load    navigation to the main screen shown, median of 5 fresh loads
//   size    pivotwright.wasm and the whole site folder, in bytes
//   idle    main-thread task time while the page waits 5 s at the main
//           screen (DevTools protocol: Performance.getMetrics TaskDuration)
//   key     a key press (its keydown) to its echo in the terminal's rows,
//           median of 20 keys
// Prints one line per measure and, last, one JSON line with all of them.
import { readdirSync, statSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launchBrowser, serveSite, waitIdle } from '../tests/web/browser.mjs';

const HERE = dirname(fileURLToPath(import.meta.url));
const SITE = process.argv[2] || join(HERE, '../build-web/site');

function median(values) {
  const s = [...values].sort((a, b) => a - b);
  const m = s.length >> 1;
  return s.length % 2 ? s[m] : (s[m - 1] + s[m]) / 2;
}

function folderBytes(dir) {
  let total = 0;
  for (const name of readdirSync(dir)) {
    const st = statSync(join(dir, name));
    total += st.isDirectory() ? folderBytes(join(dir, name)) : st.size;
  }
  return total;
}

const MAIN_SCREEN = 'Select an action';

const server = await serveSite(SITE);
const chromium = await launchBrowser();
const results = {};
try {
  // ---- load: navigation start to the main screen in the terminal's rows
  const loads = [];
  for (let i = 0; i < 5; ++i) {
    const context = await chromium.browser.createBrowserContext();  // nothing cached
    const page = await context.newPage();
    await page.goto(server.url, { waitUntil: 'domcontentloaded' });
    await page.waitForFunction((text) => {
      const rows = document.querySelector('.xterm-rows');
      return rows && rows.textContent.replace(/\u00a0/g, ' ').includes(text);
    }, { polling: 'raf', timeout: 30000 }, MAIN_SCREEN);
    loads.push(await page.evaluate(() => performance.now()));
    await context.close();
  }
  results.load_ms = Math.round(median(loads));
  console.log(`load: main screen after ${results.load_ms} ms (median of 5: ${loads.map(Math.round).join(', ')})`);

  // ---- size
  results.wasm_bytes = statSync(join(SITE, 'pivotwright.wasm')).size;
  results.site_bytes = folderBytes(SITE);
  console.log(`size: pivotwright.wasm ${results.wasm_bytes} bytes, site ${results.site_bytes} bytes`);

  // ---- idle: main-thread work over 5 s at the main screen
  const page = await chromium.browser.newPage();
  await page.goto(server.url);
  await waitIdle(page);
  await new Promise((ok) => setTimeout(ok, 1000));  // the load's last tasks are over
  const cdp = await page.createCDPSession();
  await cdp.send('Performance.enable');
  const taskSeconds = async () =>
    (await cdp.send('Performance.getMetrics')).metrics.find((m) => m.name === 'TaskDuration').value;
  const before = await taskSeconds();
  await new Promise((ok) => setTimeout(ok, 5000));
  const after = await taskSeconds();
  results.idle_task_ms = Math.round((after - before) * 1000 * 10) / 10;
  console.log(`idle: ${results.idle_task_ms} ms of main-thread tasks in 5 s at the main screen`);

  // ---- key: keydown to the echo in the rows.  Each key is a digit typed
  // at the main screen's entry line and taken back with Backspace.
  await page.evaluate(() => {
    const rows = document.querySelector('.xterm-rows');
    window.pwEcho = { want: null, down: 0, took: [] };
    document.addEventListener('keydown', (e) => {
      if (window.pwEcho.want) window.pwEcho.down = performance.now();
    }, true);
    new MutationObserver(() => {
      const echo = window.pwEcho;
      if (echo.want && rows.children[24].textContent.replace(/\u00a0/g, ' ').includes(echo.want)) {
        echo.took.push(performance.now() - echo.down);
        echo.want = null;
      }
    }).observe(rows, { childList: true, subtree: true, characterData: true });
  });
  for (let i = 0; i < 20; ++i) {
    const digit = String(i % 10);
    await page.evaluate((d) => { window.pwEcho.want = `         ${d}`; }, digit);
    await page.keyboard.type(digit);
    await page.waitForFunction(() => window.pwEcho.want === null, { timeout: 5000 });
    await page.keyboard.press('Backspace');
    await waitIdle(page);
  }
  const took = await page.evaluate(() => window.pwEcho.took);
  results.key_echo_ms = Math.round(median(took) * 10) / 10;
  console.log(`key: echo ${results.key_echo_ms} ms after the key press (median of 20; ` +
              `slowest ${Math.round(Math.max(...took) * 10) / 10} ms)`);
  await page.close();
} finally {
  await chromium.close();
  await server.close();
}
console.log(JSON.stringify(results));
