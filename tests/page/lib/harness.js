// Drives the launcher page in Debian's Chromium: a loopback server for the
// page's files, a stand-in for the web view's message channel that records
// every command, and helpers to send events and read what the page shows.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const { chromium } = require('playwright-core');

const PAGE_DIR = path.resolve(__dirname, '..', '..', '..', 'page');
const RESULTS = path.resolve(__dirname, '..', 'results');
const SHOTS = path.join(RESULTS, 'screenshots');

// Chromium must not write under the home folder nor reach past loopback.
for (const [name, dir] of [['XDG_CONFIG_HOME', 'xdg-config'], ['XDG_CACHE_HOME', 'xdg-cache'], ['TMPDIR', 'tmp']]) {
  process.env[name] = path.join(RESULTS, dir);
  fs.mkdirSync(process.env[name], { recursive: true });
}
fs.mkdirSync(SHOTS, { recursive: true });

const CHROMIUM_ARGS = [
  '--host-resolver-rules=MAP * 127.0.0.1',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
  '--no-first-run',
  '--disable-gpu',
  '--font-render-hinting=none'
];

const TYPES = { '.html': 'text/html', '.css': 'text/css', '.js': 'text/javascript', '.png': 'image/png' };

// Serves page/ read-only on 127.0.0.1; `overrides` maps a path such as
// "/themes/themes.js" to a body that replaces the file for one test.
function startServer() {
  const overrides = new Map();
  const requests = [];
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://127.0.0.1');
    requests.push(url.pathname);
    const type = TYPES[path.extname(url.pathname)] || 'application/octet-stream';
    if (overrides.has(url.pathname)) {
      const body = overrides.get(url.pathname);
      if (body === null) {
        res.writeHead(404).end();
        return;
      }
      res.writeHead(200, { 'content-type': type }).end(body);
      return;
    }
    const file = path.join(PAGE_DIR, decodeURIComponent(url.pathname));
    if (!file.startsWith(PAGE_DIR + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404).end();
      return;
    }
    res.writeHead(200, { 'content-type': type });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({
        url: `http://127.0.0.1:${server.address().port}`,
        overrides,
        requests,
        close: () => new Promise((done) => server.close(done))
      });
    });
  });
}

// Installed before any of the page's scripts: the web view's channel as the
// page sees it inside the launcher.
function fakeWebView() {
  const listeners = [];
  window.__sent = [];
  window.chrome = window.chrome || {};
  window.chrome.webview = {
    postMessage(message) { window.__sent.push(message); },
    addEventListener(type, fn) { if (type === 'message') listeners.push(fn); },
    removeEventListener() {}
  };
  window.__emit = (data) => listeners.forEach((fn) => fn({ data }));
}

// A theme catalogue for one test, written as themes/themes.js would be.
function catalogue(themes) {
  return `var ZARVO_THEMES = ${JSON.stringify(themes)};\n`;
}

const CLASSIC = {
  id: 'classic', name: { lt: 'Klasikinė', en: 'Classic', ru: 'Классическая' },
  bg: { dark: '#0e0c0f', light: '#f3eee8' }, swatch: { dark: '#b3132b', light: '#b3132b' }
};
const EMBER = {
  id: 'ember', name: { lt: 'Žarijos', en: 'Ember', ru: 'Угли' },
  css: 'themes/ember/theme.css', logo: 'themes/ember/logo.png',
  bg: { dark: '#0c0a08', light: '#f6efe4' }, swatch: { dark: '#e0662a', light: '#c2501c' },
  art: {
    dark: { file: 'themes/ember/art-dark.png', x: 598, y: -150, height: 800 },
    light: { file: 'themes/ember/art-light.png', x: 598, y: -150, height: 800 }
  }
};

class Suite {
  async start() {
    this.server = await startServer();
    this.browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: CHROMIUM_ARGS });
  }

  async stop() {
    if (this.browser) await this.browser.close();
    if (this.server) await this.server.close();
  }

  // Opens the page at 1000 × 620. host: true installs the channel stand-in
  // (inside the launcher); false leaves the page to its demo.
  // files: extra paths the server answers for this page, {"/x.html": body}.
  async open({ query = '', host = true, themes = null, url = null, files = {}, viewport = null } = {}) {
    this.server.overrides.clear();
    if (themes) this.server.overrides.set('/themes/themes.js', catalogue(themes));
    for (const [name, body] of Object.entries(files)) this.server.overrides.set(name, body);
    const context = await this.browser.newContext({ viewport: viewport || { width: 1000, height: 620 } });
    const page = await context.newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(e.message));
    if (host) await page.addInitScript(fakeWebView);
    await page.goto(url || `${this.server.url}/index.html${query}`);
    if (host) await page.waitForFunction(() => window.__sent.length > 0 && window.__sent.includes('{"cmd":"ready"}'));
    return new View(page, context, errors);
  }
}

class View {
  constructor(page, context, errors) {
    this.page = page;
    this.context = context;
    this.errors = errors;
  }

  close() { return this.context.close(); }

  // Hands events to the page exactly as the host posts them.
  async emit(...events) {
    for (const ev of events) await this.page.evaluate((e) => window.__emit(e), ev);
  }

  // Every command sent so far, parsed; each must be a JSON text.
  async commands() {
    const sent = await this.page.evaluate(() => window.__sent.slice());
    return sent.map((text) => {
      if (typeof text !== 'string') throw new Error('command sent as ' + typeof text);
      return JSON.parse(text);
    });
  }

  async clearCommands() { await this.page.evaluate(() => { window.__sent.length = 0; }); }

  async commandsOf(cmd) { return (await this.commands()).filter((c) => c.cmd === cmd); }

  text(selector) { return this.page.locator(selector).first().innerText(); }

  textContent(selector) { return this.page.$eval(selector, (el) => el.textContent); }

  visible(selector) { return this.page.locator(selector).first().isVisible(); }

  disabled(selector) { return this.page.$eval(selector, (el) => el.disabled); }

  attr(selector, name) { return this.page.$eval(selector, (el, n) => el.getAttribute(n), name); }

  click(selector) { return this.page.click(selector); }

  screenshot(name) { return this.page.screenshot({ path: path.join(SHOTS, name + '.png') }); }
}

// The events a host sends at the start, with values that tests may replace.
function initEvent(extra = {}) {
  return Object.assign({
    type: 'init', serverName: 'Test Server', version: '1.0.0', lang: 'en', theme: 'classic', mode: 'dark',
    links: { website: true, discord: true }, news: true, status: true
  }, extra);
}

const KEYS = [['insert', 'Insert'], ['delete', 'Delete'], ['end', 'End'], ['pageup', 'Page Up'],
  ['pagedown', 'Page Down'], ['pause', 'Pause'], ['scrolllock', 'Scroll Lock']].map(([id, label]) => ({ id, label }));

module.exports = { Suite, initEvent, catalogue, CLASSIC, EMBER, KEYS, PAGE_DIR, SHOTS };
