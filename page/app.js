// The launcher's interface. It holds no launcher logic: it draws what the host
// sends as events and sends commands when the player acts. Opened in an
// ordinary browser (no host channel) it plays a built-in demo instead.
(function () {
  'use strict';

  // ---------------------------------------------------------------- texts

  var T = {
    en: {
      minimize: 'Minimize', close: 'Close', news: 'News', more: 'Read more', play: 'Play',
      cancel: 'Cancel', settings: 'Settings', repair: 'Repair client', displayMode: 'Display mode',
      windowed: 'Window', fullscreen: 'Full screen', resolution: 'Resolution', language: 'Language',
      repairTitle: 'Repair client',
      repairText: 'Checks every file and downloads the damaged ones.',
      repairButton: 'Repair', save: 'Save', noNews: 'No news yet.', website: 'Website',
      forum: 'Forum', discord: 'Discord', donate: 'Donate', online: 'Online', offline: 'Offline',
      players: 'players', statusUnknown: 'Status unknown',
      ph_manifest: 'Connecting to the update server…',
      ph_selfupdate: 'Updating the launcher…',
      ph_check: 'Checking game files…',
      ph_download: 'Downloading updates…',
      ph_finish: 'Finishing…',
      ph_queue: 'The server is busy – waiting in line…',
      ph_addon: 'Installing the add-on…',
      ph_addonRemove: 'Removing the add-on…',
      d_uptodate: 'Ready to play',
      d_updated: 'Updated – ready to play',
      d_offline: 'Could not check for updates – you can still play',
      d_badsig: 'Update signature mismatch – please tell the staff',
      d_badmanifest: 'Update list is damaged – please tell the staff',
      d_noconfig: 'Updates are not configured',
      d_failed: 'Update failed',
      d_cancelled: 'Update cancelled',
      d_addonInstalled: '{name} installed – press {key} in game to toggle it',
      d_addonRemoved: '{name} removed',
      d_addonLocked: 'A file is in use – close the game and try again',
      d_addonUnknown: 'This add-on is no longer on the server',
      n_busy: 'Please wait until the update finishes.',
      n_gameMissing: 'Game file not found:',
      n_gameStartFailed: 'Could not start the game, error',
      n_selfUpdateFailed: 'Could not update the launcher – using the old version.',
      n_saved: 'Settings saved',
      n_saveFailed: 'Could not save settings',
      files: 'files', left: 'left', theme: 'Theme', themeDark: 'Dark', themeLight: 'Light',
      addonAdd: 'Add {name}', addonRemoveBtn: 'Remove {name}', addonInstallTitle: 'Install {name}',
      addonGpu: 'Select your graphics card series',
      addonKey: 'In-game effect toggle hotkey',
      addonKeyNote: '{key} is the default. Choose a key that does not conflict with your game bindings. This toggles the effect, not the ReShade menu.',
      addonResetNote: 'If the effect stops working after you change graphics settings, restart the game.',
      install: 'Install', remove: 'Remove', addonRemoveTitle: 'Remove {name}?',
      addonRemoveText: 'The {name} files will be deleted from the client. You can add it again later.'
    },
    lt: {
      minimize: 'Sumažinti', close: 'Uždaryti', news: 'Naujienos', more: 'Plačiau', play: 'Žaisti',
      cancel: 'Atšaukti', settings: 'Nustatymai', repair: 'Taisyti klientą',
      displayMode: 'Rodymo režimas', windowed: 'Langas', fullscreen: 'Visas ekranas',
      resolution: 'Raiška', language: 'Kalba', repairTitle: 'Taisyti klientą',
      repairText: 'Patikrina visus failus ir atsisiunčia sugadintus.',
      repairButton: 'Taisyti', save: 'Išsaugoti', noNews: 'Naujienų kol kas nėra.',
      website: 'Svetainė', forum: 'Forumas', discord: 'Discord', donate: 'Parama',
      online: 'Online', offline: 'Offline', players: 'žaid.', statusUnknown: 'Būsena nežinoma',
      ph_manifest: 'Jungiamasi prie atnaujinimų serverio…',
      ph_selfupdate: 'Atnaujinamas launcheris…',
      ph_check: 'Tikrinami žaidimo failai…',
      ph_download: 'Atsisiunčiami atnaujinimai…',
      ph_finish: 'Baigiama…',
      ph_queue: 'Serveris užimtas – laukiama eilėje…',
      ph_addon: 'Diegiamas priedas…',
      ph_addonRemove: 'Šalinamas priedas…',
      d_uptodate: 'Žaidimas paruoštas',
      d_updated: 'Atnaujinta – žaidimas paruoštas',
      d_offline: 'Nepavyko patikrinti atnaujinimų – galite žaisti',
      d_badsig: 'Atnaujinimų parašas netinka – praneškite administracijai',
      d_badmanifest: 'Atnaujinimų sąrašas sugadintas – praneškite administracijai',
      d_noconfig: 'Atnaujinimai nesukonfigūruoti',
      d_failed: 'Nepavyko atnaujinti',
      d_cancelled: 'Atnaujinimas atšauktas',
      d_addonInstalled: '{name} įdiegtas – žaidime įjunkite klavišu {key}',
      d_addonRemoved: '{name} pašalintas',
      d_addonLocked: 'Failas naudojamas – uždarykite žaidimą ir bandykite dar kartą',
      d_addonUnknown: 'Šio priedo serveryje nebėra',
      n_busy: 'Palaukite, kol baigsis atnaujinimas.',
      n_gameMissing: 'Nerastas žaidimo failas:',
      n_gameStartFailed: 'Nepavyko paleisti žaidimo, klaida',
      n_selfUpdateFailed: 'Nepavyko atnaujinti launcherio – naudojama sena versija.',
      n_saved: 'Nustatymai išsaugoti',
      n_saveFailed: 'Nepavyko išsaugoti nustatymų',
      files: 'failai', left: 'liko', theme: 'Tema', themeDark: 'Tamsi', themeLight: 'Šviesi',
      addonAdd: 'Pridėti {name}', addonRemoveBtn: 'Pašalinti {name}',
      addonInstallTitle: 'Įdiegti {name}',
      addonGpu: 'Pasirinkite vaizdo plokštės seriją',
      addonKey: 'Efekto įjungimo klavišas žaidime',
      addonKeyNote: 'Numatytasis – {key}. Pasirinkite klavišą, kuris nesikerta su jūsų žaidimo klavišais. Jis įjungia ir išjungia efektą, ne ReShade meniu.',
      addonResetNote: 'Jei pakeitus grafikos nustatymus efektas nustoja veikti, perkraukite žaidimą.',
      install: 'Įdiegti', remove: 'Pašalinti', addonRemoveTitle: 'Pašalinti {name}?',
      addonRemoveText: '{name} failai bus ištrinti iš kliento. Vėliau galėsite vėl pridėti.'
    },
    ru: {
      minimize: 'Свернуть', close: 'Закрыть', news: 'Новости', more: 'Подробнее', play: 'Играть',
      cancel: 'Отмена', settings: 'Настройки', repair: 'Восстановить клиент',
      displayMode: 'Режим экрана', windowed: 'Окно', fullscreen: 'Полный экран',
      resolution: 'Разрешение', language: 'Язык', repairTitle: 'Восстановить клиент',
      repairText: 'Проверяет все файлы и скачивает повреждённые.',
      repairButton: 'Восстановить', save: 'Сохранить', noNews: 'Новостей пока нет.',
      website: 'Сайт', forum: 'Форум', discord: 'Discord', donate: 'Поддержать',
      online: 'Онлайн', offline: 'Офлайн', players: 'игр.', statusUnknown: 'Статус неизвестен',
      ph_manifest: 'Подключение к серверу обновлений…',
      ph_selfupdate: 'Обновление лаунчера…',
      ph_check: 'Проверка файлов игры…',
      ph_download: 'Загрузка обновлений…',
      ph_finish: 'Завершение…',
      ph_queue: 'Сервер занят – ожидание в очереди…',
      ph_addon: 'Установка дополнения…',
      ph_addonRemove: 'Удаление дополнения…',
      d_uptodate: 'Игра готова',
      d_updated: 'Обновлено – игра готова',
      d_offline: 'Не удалось проверить обновления – можно играть',
      d_badsig: 'Подпись обновлений не совпадает – сообщите администрации',
      d_badmanifest: 'Список обновлений повреждён – сообщите администрации',
      d_noconfig: 'Обновления не настроены',
      d_failed: 'Не удалось обновить',
      d_cancelled: 'Обновление отменено',
      d_addonInstalled: '{name} установлен – в игре нажмите {key}',
      d_addonRemoved: '{name} удалён',
      d_addonLocked: 'Файл используется – закройте игру и попробуйте снова',
      d_addonUnknown: 'Этого дополнения больше нет на сервере',
      n_busy: 'Дождитесь окончания обновления.',
      n_gameMissing: 'Не найден файл игры:',
      n_gameStartFailed: 'Не удалось запустить игру, ошибка',
      n_selfUpdateFailed: 'Не удалось обновить лаунчер – используется старая версия.',
      n_saved: 'Настройки сохранены',
      n_saveFailed: 'Не удалось сохранить настройки',
      files: 'файлы', left: 'осталось', theme: 'Тема', themeDark: 'Тёмная', themeLight: 'Светлая',
      addonAdd: 'Добавить {name}', addonRemoveBtn: 'Удалить {name}',
      addonInstallTitle: 'Установить {name}',
      addonGpu: 'Выберите серию видеокарты',
      addonKey: 'Клавиша включения эффекта в игре',
      addonKeyNote: 'По умолчанию – {key}. Выберите клавишу, которая не мешает игровым. Она включает и выключает эффект, а не меню ReShade.',
      addonResetNote: 'Если после смены настроек графики эффект перестал работать, перезапустите игру.',
      install: 'Установить', remove: 'Удалить', addonRemoveTitle: 'Удалить {name}?',
      addonRemoveText: 'Файлы {name} будут удалены из клиента. Позже можно добавить снова.'
    }
  };

  var DEFAULT_KICKER = 'Lineage II · Interlude';
  var LINK_NAMES = ['website', 'forum', 'discord', 'donate'];
  var NEWS_LIMIT = 30;
  var TOAST_MS = 4200;
  var THEME_BLEND_MS = 450;

  // ---------------------------------------------------------------- state

  var root = document.documentElement;
  var host = window.chrome && window.chrome.webview ? window.chrome.webview : null;
  var themes = typeof ZARVO_THEMES !== 'undefined' && Array.isArray(ZARVO_THEMES) ?
    ZARVO_THEMES.filter(isObject) : [];
  if (!themes.length) themes = [{ id: 'classic', name: 'Classic' }];

  var lang = 'lt';
  var theme = root.getAttribute('data-theme') || themes[0].id;
  var mode = root.getAttribute('data-mode') === 'light' ? 'light' : 'dark';
  var busy = false;
  var canPlay = false;
  var lastDone = null;
  var lastPhase = 'manifest';
  var lastProgress = null;
  var newsData = null;
  var statusData = null;
  var linksAvail = {};
  var addons = [];
  var addonEdit = null;
  var pending = null;
  var artSent = '';
  var serverName = '';
  var pendingCss = null;
  var blendTimer = 0;
  var toastTimer = 0;

  function $(id) { return document.getElementById(id); }

  // ---------------------------------------------------------------- helpers

  function isObject(v) { return v !== null && typeof v === 'object' && !Array.isArray(v); }
  function has(o, k) { return Object.prototype.hasOwnProperty.call(o, k); }
  function present(o, k) { return has(o, k) && o[k] !== undefined && o[k] !== null; }
  function str(v) { return v === undefined || v === null ? '' : String(v); }

  function t(key) {
    if (has(T, lang) && has(T[lang], key)) return T[lang][key];
    if (has(T.en, key)) return T.en[key];
    return key;
  }

  // A host value that may come as one text or as one text per language.
  function pick(v) {
    if (!isObject(v)) return v;
    if (present(v, lang)) return v[lang];
    if (present(v, 'en')) return v.en;
    if (present(v, 'lt')) return v.lt;
    var keys = Object.keys(v);
    return keys.length ? v[keys[0]] : '';
  }

  function fill(text, values) {
    return text.replace(/\{(\w+)\}/g, function (whole, name) {
      return values && present(values, name) ? String(values[name]) : whole;
    });
  }

  function isWebLink(u) {
    return typeof u === 'string' && (u.indexOf('https://') === 0 || u.indexOf('http://') === 0);
  }

  function isSafePath(p, pattern) {
    return typeof p === 'string' && pattern.test(p) && p.indexOf('..') < 0;
  }

  function isHexColor(c, min, max) {
    return typeof c === 'string' && new RegExp('^#[0-9a-fA-F]{' + min + ',' + max + '}$').test(c);
  }

  function finite(n) { return typeof n === 'number' && isFinite(n); }

  function formatBytes(n) {
    var units = ['B', 'KB', 'MB', 'GB'];
    var v = finite(n) && n > 0 ? n : 0;
    var i = 0;
    while (v >= 1024 && i < units.length - 1) {
      v /= 1024;
      i++;
    }
    return (i === 0 ? v.toFixed(0) : v.toFixed(1)) + ' ' + units[i];
  }

  function formatTime(seconds) {
    if (!finite(seconds) || seconds <= 0) return '';
    var s = Math.round(seconds);
    if (s >= 3600) return Math.floor(s / 3600) + ' h ' + Math.floor(s % 3600 / 60) + ' min';
    if (s >= 60) return Math.floor(s / 60) + ' min ' + s % 60 + ' s';
    return s + ' s';
  }

  function setText(el, text) { el.textContent = str(text); }

  function svgIcon(paths) {
    var ns = 'http://www.w3.org/2000/svg';
    var svg = document.createElementNS(ns, 'svg');
    svg.setAttribute('viewBox', '0 0 24 24');
    svg.setAttribute('aria-hidden', 'true');
    paths.forEach(function (d) {
      var p = document.createElementNS(ns, 'path');
      p.setAttribute('d', d);
      svg.appendChild(p);
    });
    return svg;
  }

  var ICONS = {
    website: ['M12 3a9 9 0 1 0 0 18 9 9 0 0 0 0-18z', 'M3.5 9h17M3.5 15h17',
      'M12 3c-2.6 2.5-3.8 5.5-3.8 9s1.2 6.5 3.8 9c2.6-2.5 3.8-5.5 3.8-9S14.6 5.5 12 3z'],
    forum: ['M4 5h12a1.5 1.5 0 0 1 1.5 1.5v7A1.5 1.5 0 0 1 16 15H9l-4 3.5V15H4a1.5 1.5 0 0 1-1.5-1.5v-7A1.5 1.5 0 0 1 4 5z',
      'M20.5 9v7.5a1.5 1.5 0 0 1-1.5 1.5h-1v2.5L15 18h-3'],
    discord: ['M7 6.5c3.3-1.3 6.7-1.3 10 0 1.7 2.6 2.6 5.5 2.8 8.8-1.6 1.3-3.3 2.2-5.1 2.7l-1-1.8',
      'M7 6.5C5.3 9.1 4.4 12 4.2 15.3c1.6 1.3 3.3 2.2 5.1 2.7l1-1.8', 'M8 15.5c2.6 1 5.4 1 8 0',
      'M9.5 11.2v.6M14.5 11.2v.6'],
    donate: ['M12 20s-7.5-4.4-7.5-10A4.3 4.3 0 0 1 12 7.3 4.3 4.3 0 0 1 19.5 10c0 5.6-7.5 10-7.5 10z']
  };

  // ---------------------------------------------------------------- messages

  function send(message) {
    if (host) host.postMessage(JSON.stringify(message));
    else demo.answer(message);
  }

  var handlers = {
    init: onInit,
    phase: onPhase,
    progress: onProgress,
    done: onDone,
    news: onNews,
    status: onStatus,
    settings: openSettings,
    settingsSaved: function (ev) { showToast(t(ev.ok === true ? 'n_saved' : 'n_saveFailed')); },
    notice: onNotice,
    addons: onAddons
  };

  function handleEvent(ev) {
    if (typeof ev === 'string') {
      try { ev = JSON.parse(ev); } catch (e) { return; }
    }
    if (!isObject(ev) || typeof ev.type !== 'string' || !has(handlers, ev.type)) return;
    handlers[ev.type](ev);
  }

  function onInit(ev) {
    lang = typeof ev.lang === 'string' && has(T, ev.lang) ? ev.lang : 'lt';
    if (ev.theme === 'dark' || ev.theme === 'light') {
      if (!ev.mode) mode = ev.theme;
    } else if (typeof ev.theme === 'string' && ev.theme) {
      theme = ev.theme;
    }
    if (ev.mode === 'dark' || ev.mode === 'light') mode = ev.mode;
    applyTheme();
    serverName = typeof ev.serverName === 'string' ? ev.serverName : '';
    if (serverName) document.title = serverName;
    linksAvail = isObject(ev.links) ? ev.links : {};
    setText($('versionText'), typeof ev.version === 'string' && ev.version ? 'v' + ev.version : '');
    busy = true;
    applyLang();
  }

  function onPhase(ev) {
    busy = true;
    lastPhase = str(ev.phase);
    lastProgress = null;
    renderPhase();
  }

  function onProgress(ev) {
    lastProgress = ev;
    lastPhase = str(ev.phase);
    renderPhase();
  }

  function onDone(ev) {
    busy = false;
    canPlay = ev.canPlay === true;
    lastDone = ev;
    if (typeof ev.build === 'string' && ev.build) {
      var text = $('versionText').textContent.split(' · ')[0];
      setText($('versionText'), text + ' · build ' + ev.build);
    }
    renderPhase();
  }

  function onNews(ev) {
    newsData = has(ev, 'data') ? ev.data : null;
    renderNews();
  }

  function onStatus(ev) {
    statusData = ev;
    renderStatus();
  }

  function onNotice(ev) {
    var detail = str(ev.detail);
    showToast(t('n_' + str(ev.code)) + (detail ? ' ' + detail : ''));
  }

  function onAddons(ev) {
    addons = Array.isArray(ev.list) ? ev.list.filter(isObject) : [];
    renderAddonButtons();
    renderAddonDialog();
    renderPhase();
  }

  // ---------------------------------------------------------------- language

  function applyLang() {
    root.setAttribute('lang', lang);
    Array.prototype.forEach.call(document.querySelectorAll('[data-i18n]'), function (el) {
      el.textContent = t(el.getAttribute('data-i18n'));
    });
    Array.prototype.forEach.call(document.querySelectorAll('[data-i18n-title]'), function (el) {
      el.title = t(el.getAttribute('data-i18n-title'));
    });
    markSeg($('langSeg'), lang);
    renderLinks();
    renderNews();
    renderStatus();
    renderAddonButtons();
    renderPhase();
    renderAddonDialog();
    renderThemeButtons();
  }

  function setLanguage(l) {
    if (!has(T, l)) return;
    lang = l;
    applyLang();
    send({ cmd: 'setLanguage', lang: l });
  }

  // ---------------------------------------------------------------- themes

  function findTheme(id) {
    for (var i = 0; i < themes.length; i++) if (themes[i].id === id) return themes[i];
    return themes[0];
  }

  function applyTheme() {
    var th = findTheme(theme);
    theme = String(th.id);
    root.setAttribute('data-mode', mode);
    if (root.getAttribute('data-theme') !== theme) {
      root.classList.add('theme-switching');
      clearTimeout(blendTimer);
      blendTimer = setTimeout(function () { root.classList.remove('theme-switching'); }, THEME_BLEND_MS);
    }
    root.setAttribute('data-theme', theme);
    applyStylesheet(th.css);
    $('logo').src = isSafePath(th.logo, /^[A-Za-z0-9_\-\/.]+$/) ? th.logo : 'logo.png';
    applyArt(isObject(th.art) ? th.art[mode] : null);
    renderThemeButtons();
  }

  // The new stylesheet loads beside the old one and replaces it only once it
  // has arrived, so the page never shows unstyled.
  function applyStylesheet(css) {
    var current = $('themeCss');
    if (pendingCss) {
      pendingCss.remove();
      pendingCss = null;
    }
    if (css === undefined || css === null || css === '') {
      if (current) current.remove();
      return;
    }
    if (current && current.getAttribute('href') === css) return;
    if (!isSafePath(css, /^[A-Za-z0-9_\-\/.]+\.css$/)) {
      if (current) current.remove();
      root.setAttribute('data-theme', 'classic');
      return;
    }
    var link = document.createElement('link');
    link.rel = 'stylesheet';
    link.href = css;
    link.onload = function () {
      if (pendingCss !== link) return;
      pendingCss = null;
      var old = $('themeCss');
      if (old) old.remove();
      link.id = 'themeCss';
    };
    link.onerror = function () {
      if (pendingCss !== link) return;
      pendingCss = null;
      link.remove();
      var old = $('themeCss');
      if (old) old.remove();
      root.setAttribute('data-theme', 'classic');
    };
    pendingCss = link;
    document.head.appendChild(link);
  }

  function applyArt(art) {
    var img = $('artInside');
    var usable = isObject(art) && isSafePath(art.file, /^[A-Za-z0-9_\-\/.]+\.png$/) &&
      finite(art.x) && finite(art.y) && finite(art.height) && art.height > 0;
    var message = { cmd: 'setArt' };
    if (usable) {
      img.src = art.file;
      img.style.left = art.x + 'px';
      img.style.top = art.y + 'px';
      img.style.height = art.height + 'px';
      img.hidden = art.inside === false;
      message.file = art.file;
      message.x = Math.round(art.x);
      message.y = Math.round(art.y);
      message.height = Math.round(art.height);
    } else {
      img.hidden = true;
      img.removeAttribute('src');
    }
    var text = JSON.stringify(message);
    if (text !== artSent) {
      artSent = text;
      send(message);
    }
  }

  function chooseTheme(id, newMode) {
    theme = id;
    mode = newMode;
    applyTheme();
    var th = findTheme(theme);
    var bg = isObject(th.bg) && isHexColor(th.bg[mode], 6, 6) ? th.bg[mode] : '';
    send({ cmd: 'setTheme', theme: theme, mode: mode, bg: bg });
  }

  function renderThemeButtons() {
    var seg = $('themeSeg');
    seg.textContent = '';
    seg.hidden = themes.length < 2;
    themes.forEach(function (th) {
      var b = document.createElement('button');
      b.type = 'button';
      b.setAttribute('data-value', th.id);
      var dot = document.createElement('span');
      dot.className = 'swatch';
      var colour = isObject(th.swatch) ? th.swatch[mode] : '';
      if (isHexColor(colour, 3, 8)) dot.style.background = colour;
      b.appendChild(dot);
      b.appendChild(document.createTextNode(str(pick(th.name)) || th.id));
      b.addEventListener('click', function () { chooseTheme(th.id, mode); });
      seg.appendChild(b);
    });
    markSeg(seg, theme);
    markSeg($('schemeSeg'), mode);
  }

  // ---------------------------------------------------------------- phase area

  function renderPhase() {
    $('btnPlay').disabled = busy || !canPlay;
    $('btnCancel').hidden = !busy;
    $('btnRepair').disabled = busy;
    $('btnRepair2').disabled = busy;
    Array.prototype.forEach.call($('addonBtns').children, function (b) {
      b.disabled = busy || b.getAttribute('data-locked') === 'true';
    });
    $('btnAddonOk').disabled = busy;

    var phaseText = '', percent = '', file = '', detail = '', fraction = 0, barStyle = 'idle';
    var failed = false;
    if (busy) {
      phaseText = t('ph_' + lastPhase);
      var p = lastProgress;
      if (p && p.phase === lastPhase && finite(p.bytesTotal) && p.bytesTotal !== 0) {
        var done = finite(p.bytesDone) ? p.bytesDone : 0;
        fraction = Math.min(1, Math.max(0, done / p.bytesTotal));
        percent = Math.floor(fraction * 100) + '%';
        file = str(p.file);
        if (lastPhase === 'download' || lastPhase === 'addon') {
          detail = formatBytes(done) + ' / ' + formatBytes(p.bytesTotal);
          if (finite(p.speed) && p.speed > 0) {
            detail += ' · ' + formatBytes(p.speed) + '/s';
            var left = formatTime((p.bytesTotal - done) / p.speed);
            if (left) detail += ' · ' + t('left') + ' ' + left;
          }
        } else {
          detail = str(p.filesDone) + ' / ' + str(p.filesTotal) + ' ' + t('files');
        }
        barStyle = '';
      } else {
        barStyle = 'busy';
      }
    } else if (lastDone) {
      phaseText = doneText(lastDone);
      failed = lastDone.ok !== true;
      percent = failed ? '' : '100%';
      file = failed ? str(lastDone.detail) : '';
      fraction = failed ? 0 : 1;
    }
    setText($('phaseText'), phaseText);
    $('phaseText').classList.toggle('failed', failed);
    setText($('percentText'), percent);
    setText($('fileText'), file);
    $('fileText').title = file;
    setText($('detailText'), detail);
    var fill = $('barFill');
    fill.className = 'bar-fill' + (barStyle ? ' ' + barStyle : '');
    fill.style.width = fraction * 100 + '%';
    $('bar').classList.toggle('busy', barStyle === 'busy');
  }

  function doneText(ev) {
    var code = str(ev.code);
    var text = t('d_' + code);
    if (code.indexOf('addon') !== 0) return text;
    var detail = str(ev.detail);
    var used = null;
    addons.forEach(function (a) { if (!used && detail && a.name === detail) used = a; });
    addons.forEach(function (a) { if (!used && a.installed === true) used = a; });
    var values = {};
    if (detail) values.name = detail;
    else if (used && present(used, 'name')) values.name = used.name;
    if (used && typeof used.key === 'string' && used.key) values.key = keyLabel(used, used.key);
    return fill(text, values);
  }

  function keyLabel(addon, keyId) {
    var keys = Array.isArray(addon.keys) ? addon.keys : [];
    for (var i = 0; i < keys.length; i++) {
      if (isObject(keys[i]) && keys[i].id === keyId && present(keys[i], 'label')) return str(keys[i].label);
    }
    return keyId;
  }

  // ---------------------------------------------------------------- news and banner

  function newsTime(item) {
    if (finite(item.time)) return item.time;
    var ms = Date.parse(str(pick(item.date)));
    return isFinite(ms) ? ms / 1000 : 0;
  }

  function renderNews() {
    var data = isObject(newsData) ? newsData : {};
    var items = Array.isArray(data.news) ? data.news.filter(isObject) : [];
    items = items.map(function (item, index) { return { item: item, index: index, time: newsTime(item) }; })
      .sort(function (a, b) { return b.time - a.time || a.index - b.index; })
      .map(function (entry) { return entry.item; });

    var banner = isObject(data.banner) ? data.banner : null;
    var kicker = null;
    if (!banner && items.length) {
      banner = items.shift();
      var category = str(pick(banner.category));
      var date = str(pick(banner.date));
      kicker = category && date ? category + ' · ' + date : date || category || null;
    } else if (banner) {
      kicker = str(pick(banner.kicker)) || null;
    }
    renderBanner(banner || {}, kicker);

    var list = $('newsList');
    list.textContent = '';
    if (!items.length) {
      var empty = document.createElement('li');
      empty.className = 'news-empty';
      empty.textContent = t('noNews');
      list.appendChild(empty);
      return;
    }
    items.slice(0, NEWS_LIMIT).forEach(function (item) {
      var li = document.createElement('li');
      var link = isWebLink(item.link) ? item.link : '';
      var box = document.createElement(link ? 'button' : 'div');
      box.className = 'news-item';
      if (link) {
        box.type = 'button';
        box.title = link;
        box.addEventListener('click', function () { send({ cmd: 'openUrl', url: link }); });
      }
      var meta = document.createElement('div');
      meta.className = 'news-meta';
      var category = str(pick(item.category));
      if (category) {
        var chip = document.createElement('span');
        chip.className = 'chip';
        chip.textContent = category;
        if (isHexColor(item.color, 3, 8)) {
          chip.classList.add('chip-colour');
          chip.style.setProperty('--chip', item.color);
        }
        meta.appendChild(chip);
      }
      var date = document.createElement('span');
      date.className = 'news-date';
      date.textContent = str(pick(item.date));
      meta.appendChild(date);
      var title = document.createElement('div');
      title.className = 'news-title';
      title.textContent = str(pick(item.title));
      var text = document.createElement('div');
      text.className = 'news-text';
      text.textContent = str(pick(item.text));
      box.appendChild(meta);
      box.appendChild(title);
      box.appendChild(text);
      li.appendChild(box);
      list.appendChild(li);
    });
  }

  function renderBanner(banner, kicker) {
    setText($('bannerKicker'), kicker || DEFAULT_KICKER);
    setText($('bannerTitle'), str(pick(banner.title)) || serverName || 'Lineage II');
    setText($('bannerText'), pick(banner.text));
    var image = banner.image;
    var usable = typeof image === 'string' &&
      (image.indexOf('http:') === 0 || image.indexOf('https:') === 0 || image.indexOf('data:image/') === 0);
    // The address goes into a CSS string: characters that could end it are escaped.
    $('bannerImg').style.backgroundImage = usable ?
      'url("' + image.replace(/["\\\n\r]/g, encodeURIComponent) + '")' : '';
    $('banner').classList.toggle('no-img', !usable);
    var button = $('bannerLink');
    button.hidden = !isWebLink(banner.link);
    button.onclick = isWebLink(banner.link) ? function () { send({ cmd: 'openUrl', url: banner.link }); } : null;
  }

  // ---------------------------------------------------------------- status, links, add-ons

  function renderStatus() {
    var pill = $('status');
    if (!statusData) return;
    pill.hidden = false;
    var online = statusData.online;
    var text = t('statusUnknown');
    var state = 'unknown';
    if (online === true) {
      state = 'online';
      text = t('online');
      if (finite(statusData.players) && statusData.players >= 0) {
        text += ' · ' + statusData.players + ' ' + t('players');
      }
    } else if (online === false) {
      state = 'offline';
      text = t('offline');
    }
    pill.setAttribute('data-state', state);
    setText($('statusText'), text);
  }

  function renderLinks() {
    var box = $('links');
    box.textContent = '';
    LINK_NAMES.forEach(function (name) {
      if (!linksAvail[name]) return;
      var b = document.createElement('button');
      b.type = 'button';
      b.className = 'link-btn';
      b.setAttribute('data-link', name);
      b.appendChild(svgIcon(ICONS[name]));
      var label = document.createElement('span');
      label.textContent = t(name);
      b.appendChild(label);
      b.addEventListener('click', function () { send({ cmd: 'link', name: name }); });
      box.appendChild(b);
    });
  }

  function renderAddonButtons() {
    var box = $('addonBtns');
    box.textContent = '';
    addons.forEach(function (addon) {
      var installed = addon.installed === true;
      var b = document.createElement('button');
      b.type = 'button';
      b.className = 'addon-btn' + (installed ? ' on' : '');
      b.setAttribute('data-addon', str(addon.id));
      b.setAttribute('data-locked', String(!installed && !has(addon, 'variants')));
      b.textContent = fill(t(installed ? 'addonRemoveBtn' : 'addonAdd'), { name: str(addon.name) });
      b.title = b.textContent;
      b.disabled = busy || (!installed && !has(addon, 'variants'));
      b.addEventListener('click', function () { openAddonDialog(addon.id); });
      box.appendChild(b);
    });
  }

  function findAddon(id) {
    for (var i = 0; i < addons.length; i++) if (addons[i].id === id) return addons[i];
    return null;
  }

  function openAddonDialog(id) {
    var addon = findAddon(id);
    if (busy || !addon) return;
    var variants = Array.isArray(addon.variants) ? addon.variants.filter(isObject) : [];
    addonEdit = addon.installed === true ? { id: addon.id, mode: 'remove', variant: '', key: '' } : {
      id: addon.id,
      mode: 'install',
      variant: variants.length ? str(variants[0].id) : '',
      key: typeof addon.defaultKey === 'string' && addon.defaultKey ? addon.defaultKey : 'insert'
    };
    renderAddonDialog();
    openModal('addonModal');
  }

  function renderAddonDialog() {
    if (!addonEdit) return;
    var addon = findAddon(addonEdit.id);
    if (!addon) {
      closeAddonDialog();
      return;
    }
    var install = addonEdit.mode === 'install';
    var name = { name: str(addon.name) };
    setText($('addonTitle'), fill(t(install ? 'addonInstallTitle' : 'addonRemoveTitle'), name));

    var variants = Array.isArray(addon.variants) ? addon.variants.filter(isObject) : [];
    $('addonGpuBox').hidden = !install || !variants.length;
    var vbox = $('addonVariants');
    vbox.textContent = '';
    variants.forEach(function (v) {
      var b = document.createElement('button');
      b.type = 'button';
      b.className = 'variant' + (str(v.id) === addonEdit.variant ? ' chosen' : '');
      b.setAttribute('data-value', str(v.id));
      b.setAttribute('aria-pressed', String(str(v.id) === addonEdit.variant));
      b.textContent = str(v.label) || str(v.id);
      b.addEventListener('click', function () {
        addonEdit.variant = str(v.id);
        renderAddonDialog();
      });
      vbox.appendChild(b);
    });

    var keys = Array.isArray(addon.keys) ? addon.keys.filter(isObject) : [];
    $('addonKeyBox').hidden = !install || !keys.length;
    var select = $('addonKey');
    select.textContent = '';
    keys.forEach(function (k) {
      var option = document.createElement('option');
      option.value = str(k.id);
      option.textContent = str(k.label) || str(k.id);
      select.appendChild(option);
    });
    select.value = addonEdit.key;
    var defaultKey = typeof addon.defaultKey === 'string' && addon.defaultKey ? addon.defaultKey : 'insert';
    setText($('addonKeyNote'), fill(t('addonKeyNote'), { key: keyLabel(addon, defaultKey) }));
    $('addonResetNote').hidden = !install;

    $('addonRemoveText').hidden = install;
    setText($('addonRemoveText'), fill(t('addonRemoveText'), name));
    var ok = $('btnAddonOk');
    ok.textContent = t(install ? 'install' : 'remove');
    ok.classList.toggle('btn-danger', !install);
    ok.classList.toggle('btn-primary', install);
    ok.disabled = busy;
  }

  function confirmAddon() {
    if (!addonEdit || busy) return;
    var edit = addonEdit;
    closeAddonDialog();
    if (edit.mode === 'install') {
      send({ cmd: 'addonInstall', id: edit.id, variant: edit.variant, key: edit.key });
    } else {
      send({ cmd: 'addonRemove', id: edit.id });
    }
  }

  function closeAddonDialog() {
    addonEdit = null;
    closeModal('addonModal');
  }

  // ---------------------------------------------------------------- settings

  function openSettings(ev) {
    pending = {
      windowed: ev.windowed !== false,
      width: finite(ev.width) ? ev.width : 0,
      height: finite(ev.height) ? ev.height : 0
    };
    var select = $('resSelect');
    select.textContent = '';
    var current = pending.width + 'x' + pending.height;
    var pairs = Array.isArray(ev.resolutions) ? ev.resolutions.filter(function (r) {
      return Array.isArray(r) && r.length >= 2 && finite(r[0]) && finite(r[1]);
    }) : [];
    // A size the list lacks is still shown, so Save never changes it unasked.
    var listed = pairs.some(function (r) { return r[0] + 'x' + r[1] === current; });
    if (!listed && pending.width > 0 && pending.height > 0) pairs.unshift([pending.width, pending.height]);
    pairs.forEach(function (r) {
      var option = document.createElement('option');
      option.value = r[0] + 'x' + r[1];
      option.textContent = r[0] + ' × ' + r[1];
      select.appendChild(option);
    });
    select.value = current;
    markSeg($('modeSeg'), pending.windowed ? 'windowed' : 'fullscreen');
    markSeg($('langSeg'), lang);
    renderThemeButtons();
    openModal('settings');
  }

  function saveSettings() {
    if (!pending) return;
    var parts = $('resSelect').value.split('x');
    var w = parseInt(parts[0], 10);
    var h = parseInt(parts[1], 10);
    var ok = parts.length === 2 && isFinite(w) && isFinite(h);
    send({
      cmd: 'saveSettings',
      windowed: pending.windowed,
      width: ok ? w : pending.width,
      height: ok ? h : pending.height
    });
    closeSettings();
  }

  function closeSettings() {
    pending = null;
    closeModal('settings');
  }

  // ---------------------------------------------------------------- shared widgets

  function markSeg(seg, value) {
    Array.prototype.forEach.call(seg.querySelectorAll('button'), function (b) {
      var on = b.getAttribute('data-value') === value;
      b.classList.toggle('on', on);
      b.setAttribute('aria-pressed', String(on));
    });
  }

  function openModal(id) {
    $(id).hidden = false;
    $(id).classList.add('open');
  }

  function closeModal(id) {
    $(id).hidden = true;
    $(id).classList.remove('open');
  }

  function showToast(text) {
    var toast = $('toast');
    toast.textContent = text;
    toast.classList.add('show');
    clearTimeout(toastTimer);
    toastTimer = setTimeout(function () { toast.classList.remove('show'); }, TOAST_MS);
  }

  // ---------------------------------------------------------------- wiring

  function on(id, handler) { $(id).addEventListener('click', handler); }

  function wire() {
    document.querySelector('.top').addEventListener('mousedown', function (e) {
      if (e.button !== 0 || e.target.closest('button')) return;
      send({ cmd: 'drag' });
    });
    on('btnMin', function () { send({ cmd: 'minimize' }); });
    on('btnClose', function () { send({ cmd: 'close' }); });
    on('btnPlay', function (e) {
      // The second click of a double click would start a second game.
      if (!busy && canPlay && e.detail < 2) send({ cmd: 'play' });
    });
    on('btnCancel', function () { send({ cmd: 'cancel' }); });
    on('btnRepair', function () { send({ cmd: 'repair' }); });
    on('btnRepair2', function () {
      closeSettings();
      send({ cmd: 'repair' });
    });
    on('btnSettings', function () { send({ cmd: 'getSettings' }); });
    on('btnSave', saveSettings);
    on('btnSettingsCancel', closeSettings);
    on('btnAddonCancel', closeAddonDialog);
    on('btnAddonOk', confirmAddon);
    $('addonKey').addEventListener('change', function () {
      if (addonEdit) addonEdit.key = this.value;
    });
    $('modeSeg').addEventListener('click', function (e) {
      var b = e.target.closest('button');
      if (!b || !pending) return;
      pending.windowed = b.getAttribute('data-value') === 'windowed';
      markSeg(this, b.getAttribute('data-value'));
    });
    $('langSeg').addEventListener('click', function (e) {
      var b = e.target.closest('button');
      if (b) setLanguage(b.getAttribute('data-value'));
    });
    $('schemeSeg').addEventListener('click', function (e) {
      var b = e.target.closest('button');
      if (b) chooseTheme(theme, b.getAttribute('data-value'));
    });
    // A click on a dialog's backdrop closes it, but not the second click of
    // the double click that opened it.
    $('settings').addEventListener('click', function (e) { if (e.target === this && e.detail < 2) closeSettings(); });
    $('addonModal').addEventListener('click', function (e) {
      if (e.target === this && e.detail < 2) closeAddonDialog();
    });
    document.addEventListener('keydown', function (e) {
      if (e.key !== 'Escape') return;
      closeSettings();
      closeAddonDialog();
    });
  }

  // ---------------------------------------------------------------- demo

  // Outside the launcher the page answers its own commands with sample
  // events, so that its look can be worked on in any browser.
  var demo = {
    query: new URLSearchParams(location.search),
    timer: 0,
    installed: false,

    start: function () {
      var q = demo.query;
      demo.installed = q.get('addon') === 'on';
      emit({
        type: 'init', serverName: 'Zarvo Interlude', version: '1.0.0', lang: q.get('lang') || 'lt',
        theme: theme, mode: mode,
        links: { website: true, forum: true, discord: true, donate: true }, news: true, status: true
      });
      emit({ type: 'status', online: true, players: 1287 });
      emit({ type: 'news', data: demoNews(q.get('news') === 'static') });
      emit({ type: 'addons', list: demo.addonList() });
      if (q.get('state') === 'ready') {
        emit({ type: 'done', ok: true, canPlay: true, code: 'uptodate', detail: '', build: '2024.11.3' });
        if (q.get('addon') === 'dialog') later(50, function () { openAddonDialog('reshade'); });
      } else {
        demo.simulate(q.get('state') === 'download');
      }
      window.addEventListener('message', function (e) {
        if (e.source !== window.parent || !isObject(e.data) || !isObject(e.data.zarvoArtEdit)) return;
        demo.moveArt(e.data.zarvoArtEdit);
      });
    },

    // A check, then a 1.8 GB download. `freeze` shows it stopped part-way at
    // once, for looking at the progress area without waiting.
    simulate: function (freeze) {
      clearInterval(demo.timer);
      var total = 1932735283, files = 14, checkSteps = 8, step = 0;
      function download(fraction) {
        var index = Math.min(files - 1, Math.floor(fraction * files));
        emit({ type: 'progress', phase: 'download', file: 'maps/' + (17 + index) + '_22.unr',
          filesDone: index, filesTotal: files, bytesDone: Math.round(total * fraction), bytesTotal: total,
          speed: 7.4e6 + 1.3e6 * Math.sin(step / 7) });
      }
      emit({ type: 'phase', phase: 'manifest' });
      if (freeze) {
        emit({ type: 'phase', phase: 'download' });
        download(0.42);
        return;
      }
      demo.timer = setInterval(function () {
        step++;
        if (step <= checkSteps) {
          if (step === 1) emit({ type: 'phase', phase: 'check' });
          emit({ type: 'progress', phase: 'check', file: 'system/L2.exe', filesDone: step * 515,
            filesTotal: checkSteps * 515, bytesDone: step * 1.4e8, bytesTotal: checkSteps * 1.4e8, speed: 0 });
          return;
        }
        if (step === checkSteps + 1) emit({ type: 'phase', phase: 'download' });
        var fraction = Math.min(1, (step - checkSteps) / 80);
        download(fraction);
        if (fraction >= 1) {
          clearInterval(demo.timer);
          emit({ type: 'done', ok: true, canPlay: true, code: 'updated', detail: '', build: '2024.11.3' });
        }
      }, 120);
    },

    addonList: function () {
      return [{
        id: 'reshade', name: 'ReShade',
        variants: [{ id: 'nvidia', label: 'NVIDIA GeForce' }, { id: 'amd', label: 'AMD Radeon / Intel Arc' }],
        keys: [{ id: 'insert', label: 'Insert' }, { id: 'delete', label: 'Delete' }, { id: 'end', label: 'End' },
          { id: 'pageup', label: 'Page Up' }, { id: 'pagedown', label: 'Page Down' },
          { id: 'pause', label: 'Pause' }, { id: 'scrolllock', label: 'Scroll Lock' }],
        defaultKey: 'insert', installed: demo.installed,
        variant: demo.installed ? 'nvidia' : '', key: demo.installed ? 'insert' : ''
      }];
    },

    moveArt: function (edit) {
      var th = findTheme(theme);
      if (!isObject(th.art) || !isObject(th.art[mode])) return;
      ['x', 'y', 'height'].forEach(function (k) { if (finite(edit[k])) th.art[mode][k] = edit[k]; });
      applyTheme();
    },

    answer: function (m) {
      var framed = window.parent && window.parent !== window;
      switch (m.cmd) {
        case 'getSettings':
          emit({ type: 'settings', windowed: true, width: 1600, height: 900, lang: lang,
            resolutions: [[1280, 720], [1366, 768], [1600, 900], [1920, 1080], [2560, 1440]] });
          break;
        case 'saveSettings': emit({ type: 'settingsSaved', ok: true }); break;
        case 'play': emit({ type: 'notice', code: 'busy', detail: '' }); break;
        case 'repair': demo.simulate(false); break;
        case 'cancel':
          clearInterval(demo.timer);
          emit({ type: 'done', ok: false, canPlay: true, code: 'cancelled', detail: '', build: '' });
          break;
        case 'addonInstall':
        case 'addonRemove':
          var install = m.cmd === 'addonInstall';
          emit({ type: 'phase', phase: install ? 'addon' : 'addonRemove' });
          later(900, function () {
            demo.installed = install;
            emit({ type: 'addons', list: demo.addonList() });
            emit({ type: 'done', ok: true, canPlay: true, code: install ? 'addonInstalled' : 'addonRemoved',
              detail: 'ReShade', build: '' });
          });
          break;
        case 'setArt': if (framed) window.parent.postMessage({ zarvoArt: m }, '*'); break;
        case 'setTheme': if (framed) window.parent.postMessage({ zarvoTheme: m }, '*'); break;
      }
    }
  };

  function emit(ev) { later(0, function () { handleEvent(ev); }); }
  function later(ms, fn) { setTimeout(fn, ms); }

  function demoNews(withBanner) {
    var now = Math.floor(Date.now() / 1000), day = 86400;
    var news = [
      { time: now - 2 * day, date: '2024-11-28',
        category: { lt: 'Atnaujinimas', en: 'Update', ru: 'Обновление' }, color: '#c9a227',
        title: { lt: 'Ugnies karūna: naujas sezonas', en: 'Crown of Fire: a new season', ru: 'Корона огня: новый сезон' },
        text: { lt: 'Nauji reidų bosai, perdirbtos olimpiados taisyklės ir sezoninės apdovanojimų skrynios.',
          en: 'New raid bosses, reworked Olympiad rules and seasonal reward chests.',
          ru: 'Новые рейдовые боссы, переработанные правила Олимпиады и сезонные сундуки наград.' },
        link: 'https://example.com/news/season' },
      { time: now - 5 * day, date: '2024-11-25',
        category: { lt: 'Renginys', en: 'Event', ru: 'Событие' }, color: '#b3132b',
        title: { lt: 'Apgultis prie Adeno pilies', en: 'The siege of Aden Castle', ru: 'Осада замка Аден' },
        text: { lt: 'Šeštadienį 20:00 – didžioji pilių apgultis. Klanų registracija jau prasidėjo.',
          en: 'Saturday at 20:00 – the great castle siege. Clan registration is open.',
          ru: 'В субботу в 20:00 – большая осада замков. Регистрация кланов открыта.' },
        link: 'https://example.com/news/siege' },
      { time: now - 9 * day, date: '2024-11-21',
        category: { lt: 'Technika', en: 'Maintenance', ru: 'Техработы' }, color: '#4a8fd8',
        title: { lt: 'Serverio priežiūra', en: 'Server maintenance', ru: 'Профилактика сервера' },
        text: { lt: 'Trečiadienį 06:00–08:00 serveris bus išjungtas.', en: 'The server is down on Wednesday 06:00–08:00.',
          ru: 'В среду с 06:00 до 08:00 сервер будет недоступен.' } },
      { time: now - 14 * day, date: '2024-11-16',
        category: { lt: 'Bendruomenė', en: 'Community', ru: 'Сообщество' },
        title: { lt: 'Geriausi mėnesio klanai', en: 'Clans of the month', ru: 'Лучшие кланы месяца' },
        text: { lt: 'Sveikiname „Aštriuosius ašmenis“ ir „Šiaurės vilkus“.', en: 'Congratulations to Sharp Blades and Northern Wolves.',
          ru: 'Поздравляем «Острые клинки» и «Северных волков».' },
        link: 'https://example.com/news/clans' }
    ];
    var data = { news: news };
    if (withBanner) {
      data.banner = {
        kicker: 'Lineage II · Interlude x7',
        title: { lt: 'Sugrįžk į Adeno žemes', en: 'Return to the lands of Aden', ru: 'Вернись в земли Адена' },
        text: { lt: 'Klasikinė kronika, sąžiningi rodikliai ir aktyvi bendruomenė nuo 2019 metų.',
          en: 'The classic chronicle, fair rates and a living community since 2019.',
          ru: 'Классическая хроника, честные рейты и живое сообщество с 2019 года.' },
        image: DEMO_BANNER,
        link: 'https://example.com/'
      };
    }
    return data;
  }

  // A moonlit keep, drawn as a small picture so the demo needs no files.
  var DEMO_BANNER = 'data:image/svg+xml,' + encodeURIComponent(
    '<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 600 360" preserveAspectRatio="xMidYMid slice">' +
    '<defs><linearGradient id="s" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#120b1c"/>' +
    '<stop offset=".6" stop-color="#3a1420"/><stop offset="1" stop-color="#6b1d1f"/></linearGradient>' +
    '<radialGradient id="m" cx=".72" cy=".3" r=".35"><stop offset="0" stop-color="#ffd9a8" stop-opacity=".55"/>' +
    '<stop offset="1" stop-color="#ffd9a8" stop-opacity="0"/></radialGradient></defs>' +
    '<rect width="600" height="360" fill="url(#s)"/><rect width="600" height="360" fill="url(#m)"/>' +
    '<circle cx="432" cy="106" r="34" fill="#f6dcb4"/>' +
    '<path d="M0 262 L90 214 L170 248 L260 196 L350 240 L440 204 L520 236 L600 210 V360 H0Z" fill="#2a0f19"/>' +
    '<path d="M300 300 V200 h14 v-14 h10 v14 h12 v-40 l14-22 14 22 v40 h12 v-14 h10 v14 h14 V300Z" fill="#14070d"/>' +
    '<path d="M0 300 L120 270 L230 292 L340 262 L470 290 L600 268 V360 H0Z" fill="#0d0509"/></svg>');

  // ---------------------------------------------------------------- start

  wire();
  applyTheme();
  renderPhase();
  if (host) {
    document.addEventListener('contextmenu', function (e) { e.preventDefault(); });
    // A file dropped on the window would otherwise open in the view in place
    // of the launcher, with no way back.
    document.addEventListener('dragover', function (e) {
      e.preventDefault();
      if (e.dataTransfer) e.dataTransfer.dropEffect = 'none';
    });
    document.addEventListener('drop', function (e) { e.preventDefault(); });
    host.addEventListener('message', function (e) { handleEvent(e.data); });
    send({ cmd: 'ready' });
  } else {
    demo.start();
  }
})();
