'use strict';
const { describe, it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { Suite, initEvent, KEYS } = require('../lib/harness');

const RESHADE = {
  id: 'reshade', name: 'ReShade',
  variants: [{ id: 'nvidia', label: 'NVIDIA' }, { id: 'amd', label: 'AMD' }],
  keys: KEYS, defaultKey: 'end', installed: false, variant: '', key: ''
};
const SWEETFX = { id: 'sweetfx', name: 'SweetFX', variants: [], installed: false, variant: '', key: '' };
const LEFTOVER = { id: 'old-pack', name: 'Old Pack', installed: true, variant: '', key: '' };
const ORPHAN = { id: 'orphan', name: 'Orphan', installed: false, variant: '', key: '' };

describe('add-ons', () => {
  const suite = new Suite();
  let v;
  before(() => suite.start());
  after(async () => {
    if (v) await v.close();
    await suite.stop();
  });

  async function ready(list) {
    if (v) await v.close();
    v = await suite.open();
    await v.emit(initEvent(), { type: 'addons', list },
      { type: 'done', ok: true, canPlay: true, code: 'uptodate', detail: '', build: '' });
    await v.clearCommands();
  }

  const buttons = () => v.page.$$eval('#addonBtns button', (bs) => bs.map((b) => [b.textContent, b.classList.contains('on'), b.disabled]));
  const dialog = () => v.page.evaluate(() => {
    const $ = (id) => document.getElementById(id);
    return {
      open: !$('addonModal').hidden, title: $('addonTitle').textContent,
      variants: $('addonGpuBox').hidden ? null : Array.from($('addonVariants').children).map((b) => (b.classList.contains('chosen') ? '*' : '') + b.textContent),
      key: $('addonKeyBox').hidden ? null : $('addonKey').value,
      note: $('addonKeyBox').hidden ? null : $('addonKeyNote').textContent,
      reset: !$('addonResetNote').hidden,
      removeText: $('addonRemoveText').hidden ? null : $('addonRemoveText').textContent,
      ok: $('btnAddonOk').textContent, danger: $('btnAddonOk').classList.contains('btn-danger')
    };
  });

  it('offers each add-on: add, remove when installed, nothing to add without variants', async () => {
    await ready([RESHADE, LEFTOVER, ORPHAN, { not: 'an add-on id' }, 'junk']);
    assert.deepEqual(await buttons(), [
      ['Add ReShade', false, false], ['Remove Old Pack', true, false], ['Add Orphan', false, true], ['Add ', false, true]
    ]);
    await v.emit({ type: 'phase', phase: 'check' });
    assert.deepEqual((await buttons()).map((b) => b[2]), [true, true, true, true], 'all disabled while busy');
    await v.emit({ type: 'addons', list: 'not a list' });
    assert.deepEqual(await buttons(), []);
  });

  it('installs with the chosen variant and key', async () => {
    await ready([RESHADE]);
    // Opened with a double click, whose second click lands on the backdrop.
    await v.page.dblclick('#addonBtns button');
    assert.deepEqual(await dialog(), {
      open: true, title: 'Install ReShade', variants: ['*NVIDIA', 'AMD'], key: 'end',
      note: 'End is the default. Choose a key that does not conflict with your game bindings. This toggles the effect, not the ReShade menu.',
      reset: true, removeText: null, ok: 'Install', danger: false
    });
    assert.deepEqual(await v.page.$$eval('#addonKey option', (os) => os.map((o) => [o.value, o.textContent])),
      KEYS.map((k) => [k.id, k.label]));
    await v.click('#addonVariants [data-value="amd"]');
    await v.page.selectOption('#addonKey', 'pageup');
    assert.deepEqual((await dialog()).variants, ['NVIDIA', '*AMD']);
    await v.click('#btnAddonOk');
    assert.deepEqual(await v.commands(), [{ cmd: 'addonInstall', id: 'reshade', variant: 'amd', key: 'pageup' }]);
    assert.equal((await dialog()).open, false);
  });

  it('installs an add-on without variants or keys with an empty variant and the default key', async () => {
    await ready([SWEETFX]);
    await v.click('#addonBtns button');
    const d = await dialog();
    assert.deepEqual([d.title, d.variants, d.key], ['Install SweetFX', null, null]);
    await v.click('#btnAddonOk');
    assert.deepEqual(await v.commands(), [{ cmd: 'addonInstall', id: 'sweetfx', variant: '', key: 'insert' }]);
  });

  it('removes an installed add-on after asking', async () => {
    await ready([Object.assign({}, RESHADE, { installed: true, variant: 'amd', key: 'pause' })]);
    await v.click('#addonBtns button');
    assert.deepEqual(await dialog(), {
      open: true, title: 'Remove ReShade?', variants: null, key: null, note: null, reset: false,
      removeText: 'The ReShade files will be deleted from the client. You can add it again later.', ok: 'Remove', danger: true
    });
    await v.click('#btnAddonOk');
    assert.deepEqual(await v.commands(), [{ cmd: 'addonRemove', id: 'reshade' }]);
  });

  it('closes without a command on Cancel, Escape, the backdrop, or when the add-on disappears', async () => {
    await ready([RESHADE, SWEETFX]);
    for (const close of [() => v.click('#btnAddonCancel'), () => v.page.keyboard.press('Escape'),
      () => v.page.mouse.click(20, 600),
      () => v.emit({ type: 'addons', list: [SWEETFX] })]) {
      await v.click('#addonBtns button');
      assert.equal((await dialog()).open, true);
      await close();
      assert.equal((await dialog()).open, false);
    }
    assert.deepEqual(await v.commands(), []);
  });

  it('follows language changes while open, and refuses to act while a job runs', async () => {
    await ready([RESHADE]);
    await v.click('#addonBtns button');
    await v.emit(initEvent({ lang: 'ru' }));
    assert.equal((await dialog()).title, 'Установить ReShade');
    assert.equal((await dialog()).note.startsWith('По умолчанию – End.'), true);
    await v.emit({ type: 'phase', phase: 'check' });
    assert.equal(await v.disabled('#btnAddonOk'), true);
    await v.page.$eval('#btnAddonOk', (b) => { b.disabled = false; b.click(); });
    assert.deepEqual(await v.commands(), []);
    await v.page.keyboard.press('Escape');
    await v.page.$eval('#addonBtns button', (b) => { b.disabled = false; b.click(); });
    assert.equal((await dialog()).open, false, 'no dialog while busy');
  });

  it('tells the result with the add-on\'s name and the label of its key', async () => {
    await ready([Object.assign({}, RESHADE, { installed: true, variant: 'nvidia', key: 'pageup' }), SWEETFX]);
    await v.emit({ type: 'done', ok: true, canPlay: true, code: 'addonInstalled', detail: 'ReShade', build: '' });
    assert.equal(await v.text('#phaseText'), 'ReShade installed – press Page Up in game to toggle it');
    await v.emit({ type: 'done', ok: true, canPlay: true, code: 'addonRemoved', detail: '', build: '' });
    assert.equal(await v.text('#phaseText'), 'ReShade removed', 'without a detail: the first installed add-on');
    await v.emit({ type: 'addons', list: [Object.assign({}, RESHADE, { installed: true, key: 'custom' })] });
    await v.emit({ type: 'done', ok: true, canPlay: true, code: 'addonInstalled', detail: 'ReShade', build: '' });
    assert.equal(await v.text('#phaseText'), 'ReShade installed – press custom in game to toggle it');
    await v.emit({ type: 'addons', list: [] });
    assert.equal(await v.text('#phaseText'), 'ReShade installed – press {key} in game to toggle it');
    await v.emit({ type: 'done', ok: false, canPlay: true, code: 'addonLocked', detail: 'd3d9.dll', build: '' });
    assert.deepEqual([await v.text('#phaseText'), await v.text('#fileText')],
      ['A file is in use – close the game and try again', 'd3d9.dll']);
  });
});
