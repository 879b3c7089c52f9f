'use strict';
// Looks at the page as a player sees it at 1000 × 620, in every language:
// saves screenshots under results/screenshots and checks that no text is cut
// off, spills out of its box or leaves the window.
const { describe, it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { Suite, CLASSIC, EMBER } = require('../lib/harness');

// Boxes whose text does not fit, and visible boxes that leave the window.
function problems() {
  const out = [];
  const name = (el) => el.id ? '#' + el.id : el.tagName.toLowerCase() + '.' + Array.from(el.classList).join('.');
  for (const el of document.querySelectorAll('body *')) {
    const style = getComputedStyle(el);
    if (!el.getClientRects().length || style.visibility === 'hidden' || el.closest('[hidden]')) continue;
    if (el.matches('.art-inside, .app-bg, svg, svg *, option')) continue;
    if (style.display !== 'inline' && el.scrollWidth > el.clientWidth + 1) {
      out.push(`${name(el)} is too narrow for "${el.textContent.trim().slice(0, 60)}" (${el.scrollWidth} > ${el.clientWidth})`);
    }
    if (el.matches('.dlg-body, .foot, .top, .progress, .actions, .banner-body') && el.scrollHeight > el.clientHeight + 1) {
      out.push(`${name(el)} is too short (${el.scrollHeight} > ${el.clientHeight})`);
    }
    const r = el.getBoundingClientRect();
    if (!el.closest('.news-list') && (r.left < -0.5 || r.top < -0.5 || r.right > innerWidth + 0.5 || r.bottom > innerHeight + 0.5)) {
      out.push(`${name(el)} leaves the window (${Math.round(r.left)},${Math.round(r.top)}–${Math.round(r.right)},${Math.round(r.bottom)})`);
    }
  }
  return out;
}

const VIEWS = [
  { name: 'download-dark-classic', query: '?state=download&news=static' },
  { name: 'ready-light-classic', query: '?state=ready&mode=light&addon=on' },
  { name: 'ember-dark', query: '?state=ready&theme=ember&news=static', ember: true },
  { name: 'ember-light', query: '?state=download&theme=ember&mode=light', ember: true },
  { name: 'settings', query: '?state=ready', ember: true, open: '#btnSettings', wait: '#settings:not([hidden])' },
  { name: 'addon-dialog', query: '?state=ready&addon=dialog&mode=light', wait: '#addonModal:not([hidden])' }
];

describe('layout at 1000 × 620', () => {
  const suite = new Suite();
  before(() => suite.start());
  after(() => suite.stop());

  for (const lang of ['lt', 'en', 'ru']) {
    it(`fits every view in "${lang}" and saves its screenshots`, async () => {
      const found = [];
      for (const view of VIEWS) {
        const v = await suite.open({ host: false, query: `${view.query}&lang=${lang}`, themes: view.ember ? [CLASSIC, EMBER] : null });
        await v.page.waitForFunction(() => document.getElementById('percentText').textContent !== '');
        if (view.open) await v.click(view.open);
        if (view.wait) await v.page.waitForSelector(view.wait);
        // Let the dialogs' opening animation finish before looking.
        await v.page.evaluate(() => Promise.all(document.getAnimations().filter((a) => a.effect &&
          a.effect.getComputedTiming().iterations !== Infinity).map((a) => a.finished)));
        await v.page.evaluate(() => document.fonts.ready);
        for (const p of await v.page.evaluate(problems)) found.push(`${view.name}: ${p}`);
        await v.screenshot(`${view.name}-${lang}`);
        assert.deepEqual(v.errors, []);
        await v.close();
      }
      assert.deepEqual(found, []);
    });
  }
});
