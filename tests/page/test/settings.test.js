'use strict';
const { describe, it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { Suite, initEvent, CLASSIC, EMBER } = require('../lib/harness');
const { pageTexts } = require('../lib/texts');

const SETTINGS = {
  type: 'settings', windowed: false, width: 1920, height: 1080, lang: 'en',
  resolutions: [[1280, 720], [1600, 900], [1920, 1080], [2560, 1440]]
};

describe('settings dialog', () => {
  const suite = new Suite();
  let v;
  before(() => suite.start());
  after(async () => {
    if (v) await v.close();
    await suite.stop();
  });

  async function opened(settings = SETTINGS, themes = null) {
    if (v) await v.close();
    v = await suite.open({ themes });
    await v.emit(initEvent(), { type: 'done', ok: true, canPlay: true, code: 'uptodate', detail: '', build: '' });
    await v.clearCommands();
    await v.click('#btnSettings');
    assert.deepEqual(await v.commands(), [{ cmd: 'getSettings' }]);
    assert.equal(await v.visible('#settings'), false, 'opens only when the values arrive');
    await v.emit(settings);
    assert.equal(await v.visible('#settings'), true);
    await v.clearCommands();
  }

  const marked = (seg) => v.page.$$eval(`#${seg} button.on`, (bs) => bs.map((b) => b.dataset.value));

  it('opens with the current values and saves the edited ones', async () => {
    await opened();
    assert.deepEqual(await marked('modeSeg'), ['fullscreen']);
    assert.deepEqual(await v.page.$$eval('#resSelect option', (os) => os.map((o) => [o.value, o.textContent])),
      [['1280x720', '1280 × 720'], ['1600x900', '1600 × 900'], ['1920x1080', '1920 × 1080'], ['2560x1440', '2560 × 1440']]);
    assert.equal(await v.page.$eval('#resSelect', (s) => s.value), '1920x1080');
    await v.click('#modeSeg [data-value="windowed"]');
    await v.page.selectOption('#resSelect', '1600x900');
    assert.deepEqual(await marked('modeSeg'), ['windowed']);
    await v.click('#btnSave');
    assert.deepEqual(await v.commands(), [{ cmd: 'saveSettings', windowed: true, width: 1600, height: 900 }]);
    assert.equal(await v.visible('#settings'), false);
  });

  it('saves an unlisted current size unchanged instead of the first listed one', async () => {
    await opened(Object.assign({}, SETTINGS, { windowed: true, width: 1366, height: 768 }));
    assert.equal(await v.page.$eval('#resSelect', (s) => s.value), '1366x768');
    await v.click('#btnSave');
    assert.deepEqual(await v.commands(), [{ cmd: 'saveSettings', windowed: true, width: 1366, height: 768 }]);
  });

  it('closes without a command on Cancel, Escape and the backdrop', async () => {
    for (const close of [() => v.click('#btnSettingsCancel'), () => v.page.keyboard.press('Escape'), () => v.page.mouse.click(10, 10)]) {
      await opened();
      await v.click('#modeSeg [data-value="windowed"]');
      await close();
      assert.equal(await v.visible('#settings'), false);
      assert.deepEqual(await v.commands(), []);
    }
  });

  it('repairs from its own row, closing first, and not while a job runs', async () => {
    await opened();
    await v.click('#btnRepair2');
    assert.equal(await v.visible('#settings'), false);
    assert.deepEqual(await v.commands(), [{ cmd: 'repair' }]);
    await v.emit({ type: 'phase', phase: 'manifest' }, SETTINGS);
    assert.equal(await v.disabled('#btnRepair2'), true);
  });

  it('switches the language at once and rewrites every marked text and tooltip', async () => {
    const table = pageTexts();
    const keys = Object.keys(table.en);
    assert.equal(keys.length, 68);
    for (const l of ['lt', 'ru']) assert.deepEqual(Object.keys(table[l]).sort(), keys.slice().sort(), l + ' has the same keys');
    assert.equal(table.en.d_addonInstalled, '{name} installed – press {key} in game to toggle it');
    assert.equal(table.lt.ph_queue, 'Serveris užimtas – laukiama eilėje…');
    assert.equal(table.ru.addonRemoveText, 'Файлы {name} будут удалены из клиента. Позже можно добавить снова.');

    await opened();
    for (const lang of ['ru', 'lt', 'en']) {
      await v.click(`#langSeg [data-value="${lang}"]`);
      const shown = await v.page.evaluate(() => [
        ...Array.from(document.querySelectorAll('[data-i18n]'), (el) => [el.dataset.i18n, el.textContent]),
        ...Array.from(document.querySelectorAll('[data-i18n-title]'), (el) => [el.dataset.i18nTitle, el.title])
      ]);
      assert.ok(shown.length >= 26, 'every marked element is found');
      for (const [key, text] of shown) assert.equal(text, table[lang][key], `${lang}.${key}`);
      assert.equal(await v.page.evaluate(() => document.documentElement.lang), lang);
      assert.deepEqual(await marked('langSeg'), [lang]);
    }
    assert.deepEqual(await v.commands(), ['ru', 'lt', 'en'].map((lang) => ({ cmd: 'setLanguage', lang })));
    assert.deepEqual(await v.page.$$eval('#langSeg button', (bs) => bs.map((b) => b.textContent)), ['Lietuvių', 'English', 'Русский']);
  });

  it('offers only dark and light when there is a single theme', async () => {
    await opened(SETTINGS, [CLASSIC]);
    assert.equal(await v.visible('#themeSeg'), false);
    assert.equal(await v.visible('#schemeSeg'), true);
    await v.click('#schemeSeg [data-value="light"]');
    assert.deepEqual((await v.commands()).filter((c) => c.cmd === 'setTheme'),
      [{ cmd: 'setTheme', theme: 'classic', mode: 'light', bg: '#f3eee8' }]);
  });
});

describe('themes', () => {
  const suite = new Suite();
  let v;
  before(() => suite.start());
  after(async () => {
    if (v) await v.close();
    await suite.stop();
  });

  const look = () => v.page.evaluate(() => {
    const art = document.getElementById('artInside');
    return {
      theme: document.documentElement.dataset.theme, mode: document.documentElement.dataset.mode,
      logo: document.getElementById('logo').getAttribute('src'),
      art: art.hidden ? null : [art.getAttribute('src'), art.style.left, art.style.top, art.style.height]
    };
  });

  it('applies a chosen theme and mode, and sends setArt only when the picture changes', async () => {
    v = await suite.open({ themes: [CLASSIC, EMBER] });
    assert.deepEqual(await v.commandsOf('setArt'), [{ cmd: 'setArt' }], 'the classic look has no picture');
    await v.emit(initEvent());
    await v.click('#btnSettings');
    await v.emit(SETTINGS);
    assert.deepEqual(await v.page.$$eval('#themeSeg button', (bs) => bs.map((b) => b.textContent)), ['Classic', 'Ember']);
    await v.clearCommands();

    await v.click('#themeSeg [data-value="ember"]');
    assert.equal(await v.page.evaluate(() => document.documentElement.classList.contains('theme-switching')), true);
    await v.page.waitForFunction(() => {
      const links = document.querySelectorAll('link[rel="stylesheet"]');
      return links.length === 2 && document.getElementById('themeCss') &&
        getComputedStyle(document.documentElement).getPropertyValue('--accent').trim() === '#d4501c';
    });
    assert.deepEqual(await look(), { theme: 'ember', mode: 'dark', logo: 'themes/ember/logo.png',
      art: ['themes/ember/art-dark.png', '598px', '-150px', '800px'] });

    await v.click('#schemeSeg [data-value="light"]');
    await v.click('#schemeSeg [data-value="light"]');
    assert.deepEqual((await look()).art[0], 'themes/ember/art-light.png');
    await v.click('#themeSeg [data-value="classic"]');
    await v.page.waitForFunction(() => !document.getElementById('themeCss'));
    assert.deepEqual(await look(), { theme: 'classic', mode: 'light', logo: 'logo.png', art: null });
    await v.emit(initEvent({ theme: 'classic', mode: 'light' }));

    assert.deepEqual(await v.commands(), [
      { cmd: 'setArt', file: 'themes/ember/art-dark.png', x: 598, y: -150, height: 800 },
      { cmd: 'setTheme', theme: 'ember', mode: 'dark', bg: '#0c0a08' },
      { cmd: 'setArt', file: 'themes/ember/art-light.png', x: 598, y: -150, height: 800 },
      { cmd: 'setTheme', theme: 'ember', mode: 'light', bg: '#f6efe4' },
      { cmd: 'setTheme', theme: 'ember', mode: 'light', bg: '#f6efe4' },
      { cmd: 'setArt' },
      { cmd: 'setTheme', theme: 'classic', mode: 'light', bg: '#f3eee8' }
    ]);
  });

  it('keeps unsafe paths and bad numbers out of the logo, the picture and the window colour', async () => {
    const odd = [
      { id: 'a', name: 'A', logo: 'javascript:alert(1)', bg: { dark: '#12345' },
        art: { dark: { file: '../../secret.png', x: 1, y: 2, height: 3 } } },
      { id: 'b', name: 'B', logo: 'themes/b/logo.png', bg: { dark: '#ABCDEF' },
        art: { dark: { file: 'themes/b/art.png', x: 10.6, y: -20.4, height: 300.5, inside: false } } },
      { id: 'c', name: 'C', art: { dark: { file: 'themes/c/art.png', x: 0, y: 0, height: 0 } } },
      { id: 'd', name: 'D', art: { dark: { file: 'themes/d/art.gif', x: 0, y: 0, height: 10 } } },
      { id: 'e', name: 'E', art: { dark: { file: 'themes/e/art.png', x: '5', y: 0, height: 10 } } }
    ];
    if (v) await v.close();
    v = await suite.open({ themes: odd });
    await v.emit(initEvent({ theme: 'a' }));
    await v.click('#btnSettings');
    await v.emit(SETTINGS);
    for (const id of ['a', 'b', 'c', 'd', 'e']) await v.click(`#themeSeg [data-value="${id}"]`);
    assert.deepEqual(await v.commands(), [
      { cmd: 'setArt' },
      { cmd: 'ready' },
      { cmd: 'getSettings' },
      { cmd: 'setTheme', theme: 'a', mode: 'dark', bg: '' },
      { cmd: 'setArt', file: 'themes/b/art.png', x: 11, y: -20, height: 301 },
      { cmd: 'setTheme', theme: 'b', mode: 'dark', bg: '#ABCDEF' },
      { cmd: 'setArt' },
      { cmd: 'setTheme', theme: 'c', mode: 'dark', bg: '' },
      { cmd: 'setTheme', theme: 'd', mode: 'dark', bg: '' },
      { cmd: 'setTheme', theme: 'e', mode: 'dark', bg: '' }
    ]);
    await v.click('#themeSeg [data-value="b"]');
    assert.deepEqual(await look(), { theme: 'b', mode: 'dark', logo: 'themes/b/logo.png', art: null },
      'a picture marked not inside is only drawn outside the page');
    await v.click('#themeSeg [data-value="a"]');
    assert.equal((await look()).logo, 'logo.png');
  });
});
