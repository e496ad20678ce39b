// The page: the terminal, the program in it, and the files it writes as
// downloads.
//
// The program (pivotwright.js and .wasm) talks to the terminal through
// Module.pwTerminal: it writes its screen as escape sequences, takes the
// bytes typed, and waits (suspended, costing nothing) until a key comes.
// Each run is a fresh instance of the program; its folder is carried over
// from the run before, as a folder on disc would be.
import { Terminal } from './xterm.mjs';

// The console's 16 colours, by palette index (blue 1, green 2, red 4,
// intensity 8).
const CONSOLE_COLOURS = [
  '#000000', '#000080', '#008000', '#008080', '#800000', '#800080', '#808000', '#c0c0c0',
  '#808080', '#0000ff', '#00ff00', '#00ffff', '#ff0000', '#ff00ff', '#ffff00', '#ffffff',
];
// The terminal's colour names by ANSI number (red 1, green 2, blue 4,
// bright 8): the program sends palette index N as the ANSI colour with the
// same red, green, blue and intensity bits, so the theme gives that ANSI
// colour the console's colour N.
const ANSI_NAMES = [
  'black', 'red', 'green', 'yellow', 'blue', 'magenta', 'cyan', 'white',
  'brightBlack', 'brightRed', 'brightGreen', 'brightYellow', 'brightBlue', 'brightMagenta',
  'brightCyan', 'brightWhite',
];
export function ansiFromPalette(i) {
  return (i & 8) | (i & 1 ? 4 : 0) | (i & 2) | (i & 4 ? 1 : 0);
}
function consoleTheme() {
  const theme = { foreground: CONSOLE_COLOURS[7], background: CONSOLE_COLOURS[0],
                  cursor: CONSOLE_COLOURS[0], cursorAccent: CONSOLE_COLOURS[15] };
  CONSOLE_COLOURS.forEach((colour, i) => { theme[ANSI_NAMES[ansiFromPalette(i)]] = colour; });
  return theme;
}

const FOLDER = '/home/web_user';
const terminalElement = document.getElementById('terminal');
const filesList = document.getElementById('files');
const noFiles = document.getElementById('no-files');
const statusLine = document.getElementById('status');
const againButton = document.getElementById('again');

const term = new Terminal({
  cols: 90,
  rows: 30,
  scrollback: 0,
  fontFamily: 'ui-monospace, "Cascadia Mono", Consolas, "DejaVu Sans Mono", "Liberation Mono", ' +
              'Menlo, "Courier New", monospace',
  fontSize: 15,
  theme: consoleTheme(),
  allowProposedApi: true,
});
term.open(terminalElement);
term.onTitleChange((title) => { document.title = title; });
// For whoever looks in from outside (the browser tests, a curious user's
// console): the terminal.
window.pivotwright = { terminal: term, bells: 0 };

// ---- Keys: bytes typed, waiting for the program ---------------------------
const encoder = new TextEncoder();
let typed = [];
let wakeUp = null;
let running = false;
term.onData((text) => {
  if (!running) return;
  for (const b of encoder.encode(text)) typed.push(b);
  if (wakeUp) wakeUp();
  showIdle();
});

// The page is idle when the program waits for a key, none is waiting for
// it, and the terminal has taken in everything written to it: then the
// screen is what the program means it to be (body's data-idle is "yes").
let waiting = false;
let writesPending = 0;
function showIdle() {
  document.body.dataset.idle = waiting && writesPending === 0 && typed.length === 0 ? 'yes' : 'no';
}
function writeToTerminal(bytes) {
  ++writesPending;
  term.write(bytes, () => { --writesPending; showIdle(); });
}

// ---- Beeps: a short tone, and the frame flashes ---------------------------
let audio = null;
let nextTone = 0;
term.onBell(() => {
  window.pivotwright.bells += 1;
  terminalElement.classList.add('bell');
  setTimeout(() => terminalElement.classList.remove('bell'), 120);
  try {
    audio = audio || new AudioContext();
    // Beeps in a row are heard one after the other.
    const start = Math.max(audio.currentTime, nextTone);
    const tone = audio.createOscillator();
    const gain = audio.createGain();
    tone.frequency.value = 800;
    gain.gain.value = 0.05;
    tone.connect(gain).connect(audio.destination);
    tone.start(start);
    tone.stop(start + 0.08);
    nextTone = start + 0.12;
  } catch (e) {
    // No sound where the page may not play any; the flash remains.
  }
});

// ---- Files: what the program's folder holds, as downloads ----------------
let folderFiles = new Map();  // name -> {bytes, mtime}
let shownKey = '';

function readFolder(FS) {
  const found = new Map();
  for (const name of FS.readdir(FOLDER)) {
    const path = FOLDER + '/' + name;
    const st = FS.stat(path);
    if (FS.isFile(st.mode)) found.set(name, { size: st.size, mtime: +st.mtime, path });
  }
  return found;
}

function formatSize(n) {
  return n === 1 ? '1 byte' : n.toLocaleString('en') + ' bytes';
}

// Brings the list up to date with the folder; the links change only when a
// file has.
function showFiles(FS) {
  const found = readFolder(FS);
  const key = [...found].map(([n, f]) => `${n}:${f.size}:${f.mtime}`).sort().join('|');
  if (key === shownKey) return;
  shownKey = key;
  for (const a of filesList.querySelectorAll('a')) URL.revokeObjectURL(a.href);
  filesList.replaceChildren();
  folderFiles = new Map();
  for (const name of [...found.keys()].sort()) {
    const bytes = FS.readFile(found.get(name).path);
    folderFiles.set(name, bytes);
    const li = document.createElement('li');
    const a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    a.download = name;
    a.textContent = name;
    const size = document.createElement('span');
    size.className = 'size';
    size.textContent = formatSize(bytes.length);
    li.append(a, size);
    filesList.append(li);
  }
  noFiles.hidden = folderFiles.size > 0;
}

// ---- The program ----------------------------------------------------------
// Compiled once; every run is a new instance of it, so starting again needs
// nothing more from the server.
let compiled = null;
async function compileProgram() {
  if (!compiled) {
    compiled = (async () => {
      try {
        return await WebAssembly.compileStreaming(fetch('pivotwright.wasm'));
      } catch (e) {
        // A server that does not call it application/wasm.
        const response = await fetch('pivotwright.wasm');
        return WebAssembly.compile(await response.arrayBuffer());
      }
    })();
    compiled.catch(() => { compiled = null; });
  }
  return compiled;
}

async function run() {
  againButton.hidden = true;
  statusLine.textContent = 'Loading the program\u2026';
  typed = [];
  let program = null;
  const pwTerminal = {
    write(bytes) { writeToTerminal(bytes); },
    take(room) { return Uint8Array.from(typed.splice(0, room)); },
    // Settles when a key comes or after timeoutMs (-1: no limit).  The
    // folder is looked at here, when the program has finished what the
    // last key started.
    wait(timeoutMs) {
      try {
        showFiles(program.FS);
      } catch (e) {
        // The listing is the page's business: the program goes on.
        console.error('the files could not be listed:', e);
      }
      waiting = true;
      showIdle();
      return new Promise((resolve) => {
        let timer = null;
        wakeUp = () => {
          wakeUp = null;
          waiting = false;
          clearTimeout(timer);
          showIdle();
          resolve();
        };
        if (typed.length > 0) wakeUp();
        else if (timeoutMs >= 0) timer = setTimeout(wakeUp, timeoutMs);
      });
    },
    discard() { typed = []; },
  };
  const carried = folderFiles;
  try {
    const wasm = await compileProgram();
    program = await createPivotwright({
      pwTerminal,
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(wasm, imports).then((instance) => receive(instance, wasm));
        return {};
      },
      preRun: [(m) => {
        m.FS.mkdirTree(FOLDER);
        m.FS.chdir(FOLDER);
        for (const [name, bytes] of carried) m.FS.writeFile(FOLDER + '/' + name, bytes);
      }],
      print: (text) => console.log(text),
      printErr: (text) => console.error(text),
    });
  } catch (e) {
    statusLine.textContent = `The program could not be loaded (${e}).`;
    againButton.hidden = false;
    return;
  }
  term.reset();
  running = true;
  term.focus();
  statusLine.textContent = 'Running: type into the screen.';
  document.body.dataset.state = 'running';
  let status;
  try {
    status = await program.ccall('main', 'number', ['number', 'number'], [0, 0], { async: true });
  } catch (e) {
    status = `stopped by an error (${e})`;
    console.error(e);
  }
  running = false;
  wakeUp = null;
  showFiles(program.FS);
  statusLine.textContent = status === 0
    ? 'The program has ended; its last screen stays above.'
    : `The program has ended (${status}); its last screen stays above.`;
  document.body.dataset.state = 'ended';
  againButton.hidden = false;
  againButton.focus();
}

// ---- The protractor form ---------------------------------------------------
// Runs the program's own protractor command in an instance of its own (the
// screen's program is waiting for a key meanwhile) and offers the PDF it
// writes.  The command never waits for a key, so it runs straight through.
const protractorForm = document.getElementById('protractor');
const protractorResult = document.getElementById('protractor-result');
const protractorLink = document.getElementById('protractor-link');

export function protractorArguments(form) {
  const data = new FormData(form);
  return ['protractor', data.get('given') === 'arm' ? '--arm' : '--pivot', String(data.get('length')).trim(),
          '--alignment', data.get('alignment'), '--groove', data.get('groove'),
          '--paper', data.get('paper'), '-o', 'protractor.pdf'];
}

async function drawProtractor(args) {
  const said = [];
  const wasm = await compileProgram();
  const command = await createPivotwright({
    pwTerminal: { write() {}, take() { return new Uint8Array(0); }, wait() { return Promise.resolve(); },
                  discard() {} },
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(wasm, imports).then((instance) => receive(instance, wasm));
      return {};
    },
    preRun: [(m) => { m.FS.mkdirTree(FOLDER); m.FS.chdir(FOLDER); }],
    print: (text) => said.push(text),
    printErr: (text) => said.push(text),
  });
  let status;
  try {
    status = command.callMain(args);
  } catch (e) {
    // exit() with a status other than 0 ends the instance by throwing.
    status = e && typeof e.status === 'number' ? e.status : `stopped by an error (${e})`;
  }
  const path = FOLDER + '/protractor.pdf';
  const bytes = status === 0 && command.FS.analyzePath(path).exists ? command.FS.readFile(path) : null;
  return { status, bytes, said: said.join('\n') };
}

protractorForm.addEventListener('submit', async (event) => {
  event.preventDefault();
  protractorLink.hidden = true;
  protractorResult.textContent = 'Drawing\u2026';
  let drawn;
  try {
    drawn = await drawProtractor(protractorArguments(protractorForm));
  } catch (e) {
    drawn = { status: `stopped by an error (${e})`, bytes: null, said: '' };
  }
  const { status, bytes, said } = drawn;
  if (!bytes) {
    // The command's own line says what is wrong with what was typed.
    protractorResult.textContent = said
      ? said.replace(/^pivotwright protractor: /, '').replace(/ \(see .*\)$/, '')
      : `The protractor could not be drawn (${status}).`;
    return;
  }
  if (protractorLink.href) URL.revokeObjectURL(protractorLink.href);
  protractorLink.href = URL.createObjectURL(new Blob([bytes], { type: 'application/pdf' }));
  protractorLink.textContent = `protractor.pdf (${formatSize(bytes.length)})`;
  protractorLink.hidden = false;
  protractorResult.textContent = said.split('\n')[0].replace(/^Wrote protractor.pdf: /, '');
  window.pivotwright.protractor = bytes;
});

againButton.addEventListener('click', () => { run(); });
run();
