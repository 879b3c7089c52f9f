'use strict';
const { describe, it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const path = require('path');
const { pathToFileURL } = require('url');
const { Suite, CLASSIC, EMBER, PAGE_DIR } = require('../lib/harness');

const fileUrl = (query) => pathToFileURL(path.join(PAGE_DIR, 'index.html')).href + query;

describe('demo outside the launcher', () => {
  const suite = new Suite();
  before(() => suite.start());
  after(() => suite.stop());

  it('runs from the disk with sample contents in the asked language', async () => {
    const v = await suite.open({ host: false, url: fileUrl('?state=ready&lang=ru') });
    await v.page.waitForFunction(() => !document.getElementById('btnPlay').disabled);
    assert.equal(await v.textContent('#btnPlay span'), 'Играть');
    assert.equal(await v.text('#phaseText'), 'Игра готова');
    assert.equal(await v.visible('#status'), true);
    assert.ok((await v.page.$$('#newsList .news-item')).length >= 3);
    assert.equal(await v.textContent('#addonBtns button'), 'Добавить ReShade');
    assert.equal(await v.page.evaluate(() => document.documentElement.dataset.theme), 'classic');
    await v.click('#btnPlay');
    assert.equal(await v.textContent('#toast'), 'Дождитесь окончания обновления.');
    const prevented = await v.page.evaluate(() => {
      const e = new MouseEvent('contextmenu', { bubbles: true, cancelable: true });
      document.body.dispatchEvent(e);
      return e.defaultPrevented;
    });
    assert.equal(prevented, false, 'the context menu stays for designers');
    assert.deepEqual(v.errors, []);
    await v.close();
  });

  it('freezes a download part-way, and shows the document\'s own banner with news=static', async () => {
    const v = await suite.open({ host: false, query: '?state=download&news=static&lang=en' });
    await v.page.waitForFunction(() => document.getElementById('percentText').textContent === '42%');
    assert.equal(await v.text('#phaseText'), 'Downloading updates…');
    assert.equal(await v.disabled('#btnPlay'), true);
    assert.equal(await v.visible('#btnCancel'), true);
    assert.equal(await v.text('#bannerKicker'), 'LINEAGE II · INTERLUDE X7');
    assert.match(await v.page.$eval('#bannerImg', (e) => e.style.backgroundImage), /^url\("data:image\/svg\+xml/);
    assert.equal((await v.page.$$('#newsList .news-item')).length, 4);
    await v.close();
  });

  it('answers settings, saving and add-on commands itself', async () => {
    const v = await suite.open({ host: false, query: '?state=ready&lang=en&addon=on' });
    await v.page.waitForFunction(() => !document.getElementById('btnPlay').disabled);
    await v.click('#btnSettings');
    await v.page.waitForSelector('#settings:not([hidden])');
    assert.equal(await v.page.$$eval('#resSelect option', (os) => os.length), 5);
    assert.equal(await v.page.$eval('#resSelect', (s) => s.value), '1600x900');
    await v.click('#btnSave');
    await v.page.waitForFunction(() => document.getElementById('toast').textContent === 'Settings saved');

    assert.equal(await v.textContent('#addonBtns button'), 'Remove ReShade');
    await v.click('#addonBtns button');
    await v.click('#btnAddonOk');
    await v.page.waitForFunction(() => document.getElementById('phaseText').textContent === 'ReShade removed');
    assert.equal(await v.textContent('#addonBtns button'), 'Add ReShade');
    await v.close();
  });

  it('opens the add-on dialog when asked to', async () => {
    const v = await suite.open({ host: false, query: '?state=ready&addon=dialog&lang=lt' });
    await v.page.waitForSelector('#addonModal:not([hidden])');
    assert.equal(await v.text('#addonTitle'), 'Įdiegti ReShade');
    await v.close();
  });

  it('tells a parent frame about theme changes and lets it move the picture', async () => {
    const frame = `<!doctype html><body style="margin:0"><iframe id="f" src="/index.html?theme=ember&state=ready&lang=en"
      style="width:1000px;height:620px;border:0"></iframe><script>
      window.got = [];
      addEventListener('message', (e) => { if (e.source === document.getElementById('f').contentWindow) got.push(e.data); });
      </script></body>`;
    const v = await suite.open({ host: false, url: `${suite.server.url}/frame.html`, files: { '/frame.html': frame },
      themes: [CLASSIC, EMBER], viewport: { width: 1100, height: 700 } });
    const got = () => v.page.evaluate(() => window.got);
    await v.page.waitForFunction(() => window.got.length > 0);
    assert.deepEqual(await got(), [{ zarvoArt: { cmd: 'setArt', file: 'themes/ember/art-dark.png', x: 598, y: -150, height: 800 } }]);

    const inner = v.page.frame({ url: /index\.html/ });
    await inner.evaluate(() => window.postMessage({ zarvoArtEdit: { x: 1, y: 1, height: 1 } }, '*'));
    await v.page.evaluate(() => document.getElementById('f').contentWindow.postMessage({ zarvoArtEdit: { x: 560.4, y: -120, height: 'tall' } }, '*'));
    await v.page.waitForFunction(() => window.got.length > 1);
    assert.deepEqual((await got())[1], { zarvoArt: { cmd: 'setArt', file: 'themes/ember/art-dark.png', x: 560, y: -120, height: 800 } });
    assert.equal(await inner.$eval('#artInside', (img) => img.style.left), '560.4px');

    await inner.click('#btnSettings');
    await inner.click('#schemeSeg [data-value="light"]');
    await v.page.waitForFunction(() => window.got.length > 3);
    assert.deepEqual((await got()).slice(2), [
      { zarvoArt: { cmd: 'setArt', file: 'themes/ember/art-light.png', x: 598, y: -150, height: 800 } },
      { zarvoTheme: { cmd: 'setTheme', theme: 'ember', mode: 'light', bg: '#f6efe4' } }
    ]);
    assert.equal((await got()).length, 4, 'a message from the page itself is not an edit');
    await v.close();
  });
});
