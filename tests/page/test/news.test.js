'use strict';
const { describe, it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { Suite, initEvent } = require('../lib/harness');

const PIXEL = 'data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==';

describe('news and banner', () => {
  const suite = new Suite();
  let v;
  before(() => suite.start());
  after(async () => {
    if (v) await v.close();
    await suite.stop();
  });

  async function show(data, lang = 'en') {
    if (v) await v.close();
    v = await suite.open();
    await v.emit(initEvent({ lang, serverName: 'Aden Prime' }), { type: 'news', data });
  }

  const titles = () => v.page.$$eval('#newsList .news-title', (els) => els.map((e) => e.textContent));
  const banner = () => v.page.evaluate(() => {
    const $ = (id) => document.getElementById(id);
    return {
      kicker: $('bannerKicker').textContent, title: $('bannerTitle').textContent, text: $('bannerText').textContent,
      image: $('bannerImg').style.backgroundImage, link: !$('bannerLink').hidden
    };
  });

  it('sorts newest first by time, else by date, and makes the newest the banner', async () => {
    await show({
      news: [
        { title: 'undated' },
        { title: 'by date', date: '2024-03-01', category: 'Event' },
        { title: 'newest', time: 1735689600, date: '1 January', category: 'Update', text: 'Big patch', link: 'https://a.example/x' },
        { title: 'old', time: 1000 },
        { title: 'also undated' }
      ]
    });
    assert.deepEqual(await banner(), {
      kicker: 'Update · 1 January', title: 'newest', text: 'Big patch', image: '', link: true
    });
    assert.deepEqual(await titles(), ['by date', 'old', 'undated', 'also undated']);
  });

  it('keeps the host\'s order without times, and takes the first item as the banner', async () => {
    await show({ news: [{ title: 'one', date: 'soon' }, { title: 'two' }, { title: 'three' }] });
    assert.deepEqual([(await banner()).kicker, (await banner()).title], ['soon', 'one']);
    assert.deepEqual(await titles(), ['two', 'three']);
  });

  it('uses the document\'s own banner and keeps every item in the list', async () => {
    await show({ banner: { text: 'Welcome', image: PIXEL }, news: [{ title: 'a', time: 1 }, { title: 'b', time: 2 }] });
    const b = await banner();
    assert.deepEqual([b.kicker, b.title, b.text, b.link], ['Lineage II · Interlude', 'Aden Prime', 'Welcome', false]);
    assert.ok(b.image.startsWith('url("data:image/png'), b.image);
    assert.deepEqual(await titles(), ['b', 'a']);
  });

  it('shows at most 30 items', async () => {
    const news = Array.from({ length: 32 }, (_, i) => ({ title: 'n' + i, time: 1000 - i }));
    await show({ news });
    const list = await titles();
    assert.equal(list.length, 30);
    assert.deepEqual([list[0], list[29]], ['n1', 'n30']);
  });

  it('says there is no news when the document is missing, empty or not an object', async () => {
    for (const data of [undefined, null, [], { news: 'x' }, { news: [1, 'a', null] }]) {
      if (v) await v.close();
      v = await suite.open();
      await v.emit(initEvent({ serverName: '' }), data === undefined ? { type: 'news' } : { type: 'news', data });
      assert.equal(await v.text('#newsList'), 'No news yet.');
      assert.deepEqual([(await banner()).title, (await banner()).kicker], ['Lineage II', 'Lineage II · Interlude']);
    }
  });

  it('picks each text in the current language, else English, Lithuanian or the first given', async () => {
    const item = (title) => ({ title, text: { lt: 'tekstas', de: 'Text' }, category: { de: 'Neu' } });
    await show({ banner: { title: 'B' }, news: [item({ en: 'English', ru: 'Русский' }), item({ lt: 'Lietuviškai' }), item({ de: 'Deutsch' }), item({})] }, 'ru');
    assert.deepEqual(await titles(), ['Русский', 'Lietuviškai', 'Deutsch', '']);
    assert.deepEqual(await v.page.$$eval('#newsList .news-text', (els) => els.map((e) => e.textContent)),
      ['tekstas', 'tekstas', 'tekstas', 'tekstas']);
    assert.equal(await v.text('#newsList .chip'), 'NEU');
  });

  it('opens only http and https links, through the host', async () => {
    await show({
      banner: { title: 'B', link: 'http://b.example/' },
      news: [
        { title: 'web', link: 'https://a.example/1' },
        { title: 'script', link: 'javascript:alert(1)' },
        { title: 'capitals', link: 'HTTPS://a.example/2' },
        { title: 'file', link: 'file:///C:/Windows/win.ini' },
        { title: 'mail', link: 'mailto:x@y' }
      ]
    });
    const buttons = await v.page.$$eval('#newsList button.news-item .news-title', (els) => els.map((e) => e.textContent));
    assert.deepEqual(buttons, ['web']);
    await v.clearCommands();
    await v.click('#newsList button.news-item');
    await v.click('#bannerLink');
    for (const el of await v.page.$$('#newsList div.news-item')) await el.click();
    assert.deepEqual(await v.commands(), [{ cmd: 'openUrl', url: 'https://a.example/1' }, { cmd: 'openUrl', url: 'http://b.example/' }]);

    await show({ banner: { title: 'B', link: 'javascript:alert(1)' }, news: [] });
    assert.equal((await banner()).link, false);
  });

  it('renders hostile news as plain text and keeps unsafe pictures and colours out', async () => {
    const evil = '<img src=x onerror="window.__pwned=1"><script>window.__pwned=2</script>';
    await show({
      banner: { kicker: evil, title: evil, text: evil, image: 'javascript:window.__pwned=3' },
      news: [
        { title: evil, text: evil, category: evil, date: evil, color: 'red;background:url(https://x.example/)' },
        { title: 'quote', color: '#12345' }
      ]
    });
    assert.equal(await v.text('#bannerTitle'), evil);
    assert.equal((await banner()).image, '');
    assert.equal(await v.page.$$eval('#newsList img, #newsList script, #banner img, #banner script', (els) => els.length), 0);
    assert.equal(await v.page.evaluate(() => window.__pwned), undefined);
    const chips = await v.page.$$eval('#newsList .chip', (els) => els.map((e) => [e.classList.contains('chip-colour'), e.style.cssText]));
    assert.deepEqual(chips, [[false, '']]);

    await show({ banner: { title: 'B', image: 'https://x.example/a.png") , url("https://y.example/b.png' }, news: [{ title: 'c', color: '#a1b2c3d4', category: 'ok' }] });
    // The quotes are escaped, so the whole text stays one address.
    assert.equal((await banner()).image, 'url("https://x.example/a.png%22) , url(%22https://y.example/b.png")');
    assert.equal(await v.page.$eval('#newsList .chip', (e) => e.style.getPropertyValue('--chip')), '#a1b2c3d4');
    assert.deepEqual(v.errors, []);
  });
});
