// The page's text table, read from app.js itself so tests compare the page
// against its own table rather than a second copy.
'use strict';
const fs = require('fs');
const path = require('path');
const vm = require('vm');
const { PAGE_DIR } = require('./harness');

function pageTexts() {
  const source = fs.readFileSync(path.join(PAGE_DIR, 'app.js'), 'utf8');
  const match = source.match(/\n  var T = (\{[\s\S]*?\n  \});\n/);
  if (!match) throw new Error('no text table in app.js');
  return vm.runInNewContext('(' + match[1] + ')');
}

module.exports = { pageTexts };
