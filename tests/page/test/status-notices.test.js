'use strict';
const { describe, it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { Suite, initEvent } = require('../lib/harness');

describe('status pill and toasts', () => {
  const suite = new Suite();
  let v;
  before(async () => {
    await suite.start();
    v = await suite.open();
    await v.emit(initEvent());
  });
  after(async () => {
    await v.close();
    await suite.stop();
  });

  const pill = async () => [await v.attr('#status', 'data-state'), await v.text('#statusText')];

  it('shows the server state with the player count when it is known', async () => {
    assert.equal(await v.visible('#status'), false, 'hidden until the first status');
    await v.emit({ type: 'status', online: true, players: 1287 });
    assert.equal(await v.visible('#status'), true);
    assert.deepEqual(await pill(), ['online', 'Online · 1287 players']);
    await v.emit({ type: 'status', online: true, players: 0 });
    assert.deepEqual(await pill(), ['online', 'Online · 0 players']);
    await v.emit({ type: 'status', online: true, players: -1 });
    assert.deepEqual(await pill(), ['online', 'Online']);
    await v.emit({ type: 'status', online: false, players: -1 });
    assert.deepEqual(await pill(), ['offline', 'Offline']);
    await v.emit({ type: 'status', online: null });
    assert.deepEqual(await pill(), ['unknown', 'Status unknown']);
    await v.emit({ type: 'status', online: 'yes', players: 5 });
    assert.deepEqual(await pill(), ['unknown', 'Status unknown']);
    await v.emit({ type: 'status', online: true, players: 12 });
    await v.emit(initEvent({ lang: 'lt' }));
    assert.deepEqual(await pill(), ['online', 'Online · 12 žaid.'], 'redrawn in a new language');
    await v.emit(initEvent({ lang: 'en' }));
  });

  it('toasts notices with their detail, and the result of saving settings', async () => {
    const toast = () => v.page.$eval('#toast', (t) => [t.classList.contains('show'), t.textContent]);
    await v.emit({ type: 'notice', code: 'gameMissing', detail: 'system/L2.exe' });
    assert.deepEqual(await toast(), [true, 'Game file not found: system/L2.exe']);
    await v.emit({ type: 'notice', code: 'gameStartFailed', detail: '740' });
    assert.deepEqual(await toast(), [true, 'Could not start the game, error 740']);
    await v.emit({ type: 'notice', code: 'busy', detail: '' });
    assert.deepEqual(await toast(), [true, 'Please wait until the update finishes.']);
    await v.emit({ type: 'notice', code: 'selfUpdateFailed', detail: '<b>x</b>' });
    assert.deepEqual(await toast(), [true, 'Could not update the launcher – using the old version. <b>x</b>']);
    await v.emit({ type: 'settingsSaved', ok: true });
    assert.deepEqual(await toast(), [true, 'Settings saved']);
    await v.emit({ type: 'settingsSaved', ok: false });
    assert.deepEqual(await toast(), [true, 'Could not save settings']);
    await v.emit({ type: 'settingsSaved' });
    assert.deepEqual(await toast(), [true, 'Could not save settings']);
  });

  it('hides the toast again after a while', async () => {
    await v.emit({ type: 'notice', code: 'busy', detail: '' });
    await v.page.waitForFunction(() => !document.getElementById('toast').classList.contains('show'), null, { timeout: 15000 });
  });
});
