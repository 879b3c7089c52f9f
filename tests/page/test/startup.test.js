'use strict';
const { describe, it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { Suite, initEvent, CLASSIC, EMBER } = require('../lib/harness');

describe('start-up and init', () => {
  const suite = new Suite();
  before(() => suite.start());
  after(() => suite.stop());

  it('sends ready once and starts idle with Play disabled, the context menu and file drops off', async () => {
    const v = await suite.open();
    assert.equal((await v.commandsOf('ready')).length, 1);
    assert.equal(await v.disabled('#btnPlay'), true);
    assert.equal(await v.visible('#btnCancel'), false);
    assert.equal(await v.visible('#status'), false);
    const prevented = await v.page.evaluate(() => ['contextmenu', 'dragover', 'drop'].map((type) => {
      const init = { bubbles: true, cancelable: true };
      const e = type === 'contextmenu' ? new MouseEvent(type, init) : new DragEvent(type, { ...init, dataTransfer: new DataTransfer() });
      document.querySelector('#bannerTitle').dispatchEvent(e);
      return e.defaultPrevented;
    }));
    assert.deepEqual(prevented, [true, true, true]);
    assert.deepEqual(v.errors, []);
    await v.close();
  });

  it('takes the language from init, falling back to Lithuanian for one it lacks', async () => {
    const v = await suite.open();
    await v.emit(initEvent({ lang: 'en' }));
    assert.equal(await v.textContent('#btnPlay span'), 'Play');
    await v.emit(initEvent({ lang: 'de' }));
    assert.equal(await v.textContent('#btnPlay span'), 'Žaisti');
    assert.equal(await v.page.evaluate(() => document.documentElement.lang), 'lt');
    await v.emit(initEvent({ lang: 'ru' }));
    assert.equal(await v.textContent('#btnPlay span'), 'Играть');
    assert.equal(await v.attr('#btnClose', 'title'), 'Закрыть');
    await v.close();
  });

  it('reads "dark" or "light" as a theme only as the mode, and only when no mode is given', async () => {
    const v = await suite.open({ query: '?mode=dark&theme=ember', themes: [CLASSIC, EMBER] });
    const look = () => v.page.evaluate(() => [document.documentElement.dataset.theme, document.documentElement.dataset.mode]);
    assert.deepEqual(await look(), ['ember', 'dark']);
    await v.emit(initEvent({ theme: 'light', mode: undefined }));
    assert.deepEqual(await look(), ['ember', 'light']);
    await v.emit(initEvent({ theme: 'light', mode: 'dark' }));
    assert.deepEqual(await look(), ['ember', 'dark']);
    await v.emit(initEvent({ theme: 'classic', mode: 'light' }));
    assert.deepEqual(await look(), ['classic', 'light']);
    await v.emit(initEvent({ theme: 'nosuch', mode: 'dark' }));
    assert.deepEqual(await look(), ['classic', 'dark'], 'an unknown theme is the first of the list');
    await v.close();
  });

  it('shows the server name, the version and the configured links in their fixed order', async () => {
    const v = await suite.open();
    await v.emit(initEvent({ serverName: 'Aden Prime', version: '2.3.4', links: { donate: true, website: true, forum: false } }));
    assert.equal(await v.page.title(), 'Aden Prime');
    assert.equal(await v.text('#bannerTitle'), 'Aden Prime');
    assert.equal(await v.text('#versionText'), 'v2.3.4');
    const links = await v.page.$$eval('#links button', (bs) => bs.map((b) => [b.dataset.link, b.textContent]));
    assert.deepEqual(links, [['website', 'Website'], ['donate', 'Donate']]);
    await v.clearCommands();
    await v.click('#links [data-link="donate"]');
    assert.deepEqual(await v.commands(), [{ cmd: 'link', name: 'donate' }]);
    await v.close();
  });

  it('sends the window commands, and drag only from the header itself', async () => {
    const v = await suite.open();
    await v.emit(initEvent());
    await v.clearCommands();
    await v.click('#btnMin');
    await v.click('#btnClose');
    await v.page.mouse.move(500, 40);
    await v.page.mouse.down();
    await v.page.mouse.up();
    await v.page.mouse.move(500, 40);
    await v.page.mouse.down({ button: 'right' });
    await v.page.mouse.up({ button: 'right' });
    assert.deepEqual((await v.commands()).map((c) => c.cmd), ['minimize', 'close', 'drag']);
    await v.close();
  });
});

describe('look before the first paint', () => {
  const suite = new Suite();
  before(() => suite.start());
  after(() => suite.stop());

  const look = (v) => v.page.evaluate(() => ({
    theme: document.documentElement.dataset.theme,
    mode: document.documentElement.dataset.mode,
    css: document.getElementById('themeCss') && document.getElementById('themeCss').getAttribute('href'),
    logo: document.getElementById('logo').getAttribute('src')
  }));

  it('takes theme and mode from the address, an old launcher\'s theme=light as the mode', async () => {
    let v = await suite.open({ query: '?theme=light', themes: [CLASSIC, EMBER] });
    assert.deepEqual(await look(v), { theme: 'classic', mode: 'light', css: null, logo: 'logo.png' });
    await v.close();
    v = await suite.open({ query: '?mode=light&theme=ember', themes: [CLASSIC, EMBER] });
    assert.deepEqual(await look(v), { theme: 'ember', mode: 'light', css: 'themes/ember/theme.css', logo: 'themes/ember/logo.png' });
    await v.close();
    v = await suite.open({ query: '?mode=sepia&theme=EMBER', themes: [EMBER, CLASSIC] });
    assert.deepEqual(await look(v), { theme: 'ember', mode: 'dark', css: 'themes/ember/theme.css', logo: 'themes/ember/logo.png' },
      'invalid values fall back to the first theme and the dark mode');
    await v.close();
  });

  it('falls back to the classic look when a theme stylesheet cannot be loaded', async () => {
    const broken = { id: 'broken', name: 'Broken', css: 'themes/broken/theme.css' };
    const v = await suite.open({ query: '?theme=broken', themes: [CLASSIC, broken] });
    await v.page.waitForFunction(() => document.documentElement.dataset.theme === 'classic');
    await v.close();
  });

  it('works with no catalogue at all, as a single classic theme', async () => {
    const v = await suite.open({ query: '?theme=ember' , themes: [] });
    assert.deepEqual(await look(v), { theme: 'classic', mode: 'dark', css: null, logo: 'logo.png' });
    await v.emit(initEvent());
    assert.equal(await v.visible('#btnPlay'), true);
    assert.deepEqual(v.errors, []);
    await v.close();
  });
});
