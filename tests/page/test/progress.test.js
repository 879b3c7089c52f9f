'use strict';
const { describe, it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { Suite, initEvent } = require('../lib/harness');

const MB = 1024 * 1024;
const GB = 1024 * MB;

function progress(fields) {
  return Object.assign({ type: 'progress', phase: 'download', file: 'maps/20_21.unr', filesDone: 3, filesTotal: 9,
    bytesDone: 0, bytesTotal: 0, speed: 0 }, fields);
}

describe('phases, progress and the result', () => {
  const suite = new Suite();
  let v;
  before(async () => {
    await suite.start();
  });
  after(() => suite.stop());

  async function fresh() {
    if (v) await v.close();
    v = await suite.open();
    await v.emit(initEvent());
    return v;
  }

  const area = () => v.page.evaluate(() => {
    const $ = (id) => document.getElementById(id);
    return {
      phase: $('phaseText').textContent, percent: $('percentText').textContent, file: $('fileText').textContent,
      detail: $('detailText').textContent, bar: $('barFill').className, width: $('barFill').style.width,
      play: !$('btnPlay').disabled, cancel: !$('btnCancel').hidden, repair: !$('btnRepair').disabled
    };
  });

  it('is busy from init until the first done: bar indeterminate, Play off, cancel shown', async () => {
    await fresh();
    assert.deepEqual(await area(), {
      phase: 'Connecting to the update server…', percent: '', file: '', detail: '', bar: 'bar-fill busy', width: '0%',
      play: false, cancel: true, repair: false
    });
  });

  it('shows download progress with sizes, speed and the time left', async () => {
    await fresh();
    await v.emit({ type: 'phase', phase: 'download' },
      progress({ bytesDone: 768 * MB, bytesTotal: 3 * GB, speed: 10 * MB }));
    const a = await area();
    assert.equal(a.phase, 'Downloading updates…');
    assert.equal(a.percent, '25%');
    assert.equal(a.file, 'maps/20_21.unr');
    assert.equal(a.detail, '768.0 MB / 3.0 GB · 10.0 MB/s · left 3 min 50 s');
    assert.equal(a.bar, 'bar-fill');
    assert.equal(a.width, '25%');

    // 3725 s to go: one hour, two minutes (seconds are not shown past an hour).
    await v.emit(progress({ bytesDone: 1000, bytesTotal: 1000 + 3725e6, speed: 1e6 }));
    assert.equal((await area()).detail, '1000 B / 3.5 GB · 976.6 KB/s · left 1 h 2 min');
    await v.emit(progress({ bytesDone: 512, bytesTotal: 512 + 42 * 2048, speed: 2048 }));
    assert.equal((await area()).detail, '512 B / 84.5 KB · 2.0 KB/s · left 42 s');
    await v.emit(progress({ bytesDone: 1023, bytesTotal: 2047, speed: 0 }));
    assert.deepEqual([(await area()).detail, (await area()).percent], ['1023 B / 2.0 KB', '49%']);
  });

  it('counts files in the check phase, and follows a progress of another phase', async () => {
    await fresh();
    await v.emit({ type: 'phase', phase: 'check' },
      progress({ phase: 'check', file: 'system/L2.exe', filesDone: 120, filesTotal: 4000, bytesDone: 1, bytesTotal: 3 }));
    let a = await area();
    assert.deepEqual([a.phase, a.percent, a.detail], ['Checking game files…', '33%', '120 / 4000 files']);
    await v.emit(progress({ phase: 'addon', bytesDone: 2 * MB, bytesTotal: 4 * MB, speed: MB }));
    a = await area();
    assert.deepEqual([a.phase, a.percent, a.detail], ['Installing the add-on…', '50%', '2.0 MB / 4.0 MB · 1.0 MB/s · left 2 s']);
  });

  it('keeps the bar indeterminate while the total is unknown', async () => {
    await fresh();
    await v.emit({ type: 'phase', phase: 'queue' }, progress({ phase: 'queue', bytesDone: 5, bytesTotal: 0 }));
    assert.deepEqual(await area(), {
      phase: 'The server is busy – waiting in line…', percent: '', file: '', detail: '', bar: 'bar-fill busy', width: '0%',
      play: false, cancel: true, repair: false
    });
    await v.emit(progress({ phase: 'download', bytesDone: 5, bytesTotal: 10 }), { type: 'phase', phase: 'finish' });
    assert.equal((await area()).bar, 'bar-fill busy', 'a new phase forgets the last progress');
  });

  it('enables Play only after a done that allows it, and sends play', async () => {
    await fresh();
    await v.emit({ type: 'done', ok: true, canPlay: true, code: 'updated', detail: '', build: '' });
    assert.deepEqual(await area(), {
      phase: 'Updated – ready to play', percent: '100%', file: '', detail: '', bar: 'bar-fill idle', width: '100%',
      play: true, cancel: false, repair: true
    });
    await v.clearCommands();
    await v.click('#btnPlay');
    assert.deepEqual(await v.commands(), [{ cmd: 'play' }]);
    await v.clearCommands();
    await v.page.dblclick('#btnPlay');
    assert.deepEqual(await v.commands(), [{ cmd: 'play' }], 'a double click starts one game, not two');

    await v.emit({ type: 'phase', phase: 'check' });
    assert.equal((await area()).play, false, 'a running job turns Play off again');
    await v.emit({ type: 'done', ok: false, canPlay: false, code: 'badsig', detail: 'manifest.sig: signature mismatch', build: '' });
    const a = await area();
    assert.deepEqual(a, {
      phase: 'Update signature mismatch – please tell the staff', percent: '', file: 'manifest.sig: signature mismatch',
      detail: '', bar: 'bar-fill idle', width: '0%', play: false, cancel: false, repair: true
    });
    assert.equal(await v.page.$eval('#phaseText', (el) => el.classList.contains('failed')), true);
    await v.clearCommands();
    await v.page.$eval('#btnPlay', (b) => b.click());
    assert.deepEqual(await v.commands(), []);
  });

  it('adds the build to the version once, however many results arrive', async () => {
    await fresh();
    await v.emit({ type: 'done', ok: false, canPlay: true, code: 'offline', detail: 'timed out', build: '' });
    assert.equal(await v.text('#versionText'), 'v1.0.0');
    await v.emit({ type: 'done', ok: true, canPlay: true, code: 'uptodate', detail: '', build: '2024.11.3' });
    await v.emit({ type: 'done', ok: true, canPlay: true, code: 'uptodate', detail: '', build: '2024.12.1' });
    assert.equal(await v.text('#versionText'), 'v1.0.0 · build 2024.12.1');
  });

  it('sends cancel and repair from their buttons', async () => {
    await fresh();
    await v.clearCommands();
    await v.click('#btnCancel');
    await v.emit({ type: 'done', ok: false, canPlay: true, code: 'cancelled', detail: '', build: '' });
    assert.equal(await v.text('#phaseText'), 'Update cancelled');
    await v.click('#btnRepair');
    assert.deepEqual((await v.commands()).map((c) => c.cmd), ['cancel', 'repair']);
  });

  it('ignores unknown and malformed events, and accepts an event sent as text', async () => {
    await fresh();
    await v.emit({ type: 'explode' }, { type: 'constructor' }, 'not json', 42, null, { phase: 'check' });
    assert.equal(await v.text('#phaseText'), 'Connecting to the update server…');
    await v.emit(JSON.stringify({ type: 'phase', phase: 'finish' }));
    assert.equal(await v.text('#phaseText'), 'Finishing…');
    assert.deepEqual(v.errors, []);
    await v.close();
    v = null;
  });
});
