// The page: files kept in memory, each run of the checker a fresh instance of the WebAssembly
// engine (ferrox-script-page.js) over a copy of them, so a run never sees an earlier one.
'use strict';
(() => {
  const $ = (id) => document.getElementById(id);
  const encoder = new TextEncoder();
  const decoder = new TextDecoder('utf-8');
  const sample = [
    '// The keywords the launcher reads, declared, then set.',
    '!JavaGameClassName(s)', '!JavaClasses(s)', '!JavaClassesPacked(s)', '',
    '$classes(s, "Ja")', '',
    'JavaGameClassName("DemoGame")', 'JavaClasses(CLASSES)', 'JavaClassesPacked("code")', ''
  ].join('\n');

  // name (a path below the game folder) -> bytes; archives are mounted in the order added.
  const files = new Map([['game.ini', encoder.encode(sample)]]);
  const archives = [];
  let shown = 'game.ini';
  let runs = 0;

  const isArchive = (name, bytes) => /\.zip$/i.test(name) ||
    (bytes.length >= 4 && bytes[0] === 0x50 && bytes[1] === 0x4b && bytes[2] < 8);

  function addFile(name, bytes) {
    name = name.replace(/\\/g, '/').replace(/^\/+/, '');
    if (!name) return;
    files.set(name, bytes);
    if (isArchive(name, bytes) && !archives.includes(name)) archives.push(name);
  }

  // Writes the files into the instance's memory file system below /game, the working folder.
  function install(module) {
    const fs = module.FS;
    fs.mkdir('/game');
    for (const [name, bytes] of files) {
      let folder = '/game';
      for (const part of name.split('/').slice(0, -1)) {
        folder += '/' + part;
        if (!fs.analyzePath(folder).exists) fs.mkdir(folder);
      }
      fs.writeFile('/game/' + name, bytes);
    }
    fs.chdir('/game');
  }

  // One run in a fresh instance: `call` gets the module once the files are in place and the
  // archives mounted, and gives the exit status.
  async function run(call) {
    const out = [], err = [];
    let status = null;
    const module = await FerroxScript({
      print: (line) => out.push(line),
      printErr: (line) => err.push(line),
      onExit: (code) => { status = code; },
      quit: (code, exit) => { throw exit; }, // the page lives on after the program's exit
    });
    install(module);
    for (const archive of archives) {
      module.ccall('FerroxMount', 'number', ['string'], [archive]);
    }
    const returned = call(module);
    return { status: status === null ? returned : status, out: out.join('\n'), err: err.join('\n') };
  }

  // The byte column of a line as a character index of its text.
  function characterIndex(lineText, column) {
    let bytes = 0, index = 0;
    while (index < lineText.length && bytes < column - 1) {
      const code = lineText.codePointAt(index);
      bytes += encoder.encode(String.fromCodePoint(code)).length;
      index += code > 0xffff ? 2 : 1;
    }
    return index;
  }

  function moveCursor(file, line, column) {
    if (!files.has(file) || archives.includes(file)) return;
    show(file);
    const text = $('text');
    const lines = text.value.split('\n');
    let offset = 0;
    for (let i = 0; i < Math.min(line - 1, lines.length); ++i) offset += lines[i].length + 1;
    const lineText = lines[Math.min(line - 1, lines.length - 1)] || '';
    offset += characterIndex(lineText, Math.max(column, 1));
    text.focus();
    text.setSelectionRange(offset, offset);
    const lineHeight = 16;
    text.scrollTop = Math.max(0, (line - 5) * lineHeight);
    updatePosition();
  }

  // One diagnostic, or a note under it, as an item that moves the cursor to its place.
  function diagnosticItem(d) {
    const item = document.createElement('li');
    item.className = d.severity;
    const start = d.start || {};
    const place = d.file ? d.file + (start.line ? ':' + start.line + ':' + start.column : '') + ': ' : '';
    let text = place + d.severity + ': ' + d.message;
    for (const from of d.include_chain || []) text += '\n  included from ' + from.file + ':' + from.line;
    item.textContent = text;
    item.dataset.file = d.file;
    item.dataset.line = start.line;
    item.dataset.column = start.column;
    item.addEventListener('click', (event) => {
      event.stopPropagation();
      moveCursor(d.file, start.line || 1, start.column || 1);
    });
    return item;
  }

  // The check's JSON document is its standard output.
  function showDiagnostics(check) {
    const list = $('diagnostics');
    list.textContent = '';
    let report;
    try {
      report = JSON.parse(check.out);
    } catch (e) {
      report = null;
    }
    if (!report) {
      const item = document.createElement('li');
      item.className = 'error';
      item.textContent = check.err || check.out;
      list.append(item);
      return;
    }
    for (const d of report.diagnostics) {
      list.append(diagnosticItem(d));
      for (const note of d.notes || []) list.append(diagnosticItem(note));
    }
    if (report.not_shown > 0) {
      const item = document.createElement('li');
      item.textContent = report.not_shown + ' more not shown';
      list.append(item);
    }
    if (report.diagnostics.length === 0) {
      const item = document.createElement('li');
      item.textContent = 'No faults found.';
      list.append(item);
    }
  }

  async function check() {
    const main = $('main-name').value.trim() || 'game.ini';
    const options = $('strict').checked ? ['--strict'] : [];
    const checked = await run((m) => m.callMain(options.concat(['--format=json', 'check', main])));
    showDiagnostics(checked);
    $('status').textContent = '(exit ' + checked.status + ')';
    $('status').dataset.exit = checked.status;
    const dumped = await run((m) => m.callMain(['dump', main]));
    $('dump').textContent = dumped.status === 0 ? dumped.out : '(no entries came back: nothing to dump)';
    const settings = await run((m) => m.ccall('FerroxLauncherSettings', null, ['string'], [main]));
    for (const line of settings.out.split('\n')) {
      const cut = line.indexOf('=');
      const cell = $('setting-' + line.slice(0, cut));
      if (cut > 0 && cell) cell.textContent = line.slice(cut + 1);
    }
    document.body.dataset.runs = ++runs;
  }

  let pending = null, running = Promise.resolve();
  function schedule() {
    clearTimeout(pending);
    pending = setTimeout(() => { running = running.then(check, check); }, 200);
  }

  function updateGutter() {
    const count = $('text').value.split('\n').length;
    let numbers = '';
    for (let i = 1; i <= count; ++i) numbers += i + '\n';
    $('gutter').textContent = numbers;
    $('gutter').scrollTop = $('text').scrollTop;
  }

  function updatePosition() {
    const text = $('text');
    const before = text.value.slice(0, text.selectionStart).split('\n');
    $('position').textContent = 'line ' + before.length + ', column ' + (before[before.length - 1].length + 1);
  }

  function listFiles() {
    const list = $('file-list');
    list.textContent = '';
    for (const name of [...files.keys()].sort()) {
      const item = document.createElement('li');
      item.textContent = name;
      if (archives.includes(name)) item.className = 'archive';
      if (name === shown) item.classList.add('shown');
      item.addEventListener('click', () => show(name));
      list.append(item);
    }
  }

  function show(name) {
    const archive = archives.includes(name);
    shown = name;
    $('editor-name').textContent = name || '';
    $('text').value = archive ? '(a ZIP archive, mounted as the game mounts one)'
      : name && files.has(name) ? decoder.decode(files.get(name)) : '';
    $('text').readOnly = !name || archive;
    updateGutter();
    listFiles();
  }

  // Reads dropped or picked files, folders too (their contents keep their paths below them).
  async function readEntries(entry, prefix) {
    if (entry.isFile) {
      const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
      addFile(prefix + file.name, new Uint8Array(await file.arrayBuffer()));
      return;
    }
    const reader = entry.createReader();
    for (;;) {
      const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
      if (batch.length === 0) break;
      for (const child of batch) await readEntries(child, prefix + entry.name + '/');
    }
  }

  function added(names) {
    // A game.ini added is the file to check; so is the one .ini file added alone.
    const inis = names.filter((n) => /\.ini$/i.test(n));
    if (inis.includes('game.ini')) $('main-name').value = 'game.ini';
    else if (inis.length === 1) $('main-name').value = inis[0];
    show(files.has($('main-name').value) ? $('main-name').value : inis[0] || shown);
    schedule();
  }

  async function onPick(event) {
    const names = [];
    for (const file of event.target.files) {
      addFile(file.name, new Uint8Array(await file.arrayBuffer()));
      names.push(file.name);
    }
    event.target.value = '';
    added(names);
  }

  async function onDrop(event) {
    event.preventDefault();
    $('drop').classList.remove('over');
    const before = new Set(files.keys());
    const entries = [...event.dataTransfer.items].map((item) => item.webkitGetAsEntry()).filter(Boolean);
    for (const entry of entries) {
      // A dropped folder is the game's folder: its contents go to the top.
      if (entry.isDirectory && entries.length === 1) {
        const reader = entry.createReader();
        for (;;) {
          const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
          if (batch.length === 0) break;
          for (const child of batch) await readEntries(child, '');
        }
      } else {
        await readEntries(entry, '');
      }
    }
    added([...files.keys()].filter((name) => !before.has(name)));
  }

  $('text').addEventListener('input', () => {
    if (!shown || archives.includes(shown)) return;
    files.set(shown, encoder.encode($('text').value));
    updateGutter();
    schedule();
  });
  $('text').addEventListener('scroll', () => { $('gutter').scrollTop = $('text').scrollTop; });
  for (const type of ['keyup', 'click', 'select']) $('text').addEventListener(type, updatePosition);
  $('picker').addEventListener('change', onPick);
  $('drop').addEventListener('dragover', (e) => { e.preventDefault(); $('drop').classList.add('over'); });
  $('drop').addEventListener('dragleave', () => $('drop').classList.remove('over'));
  $('drop').addEventListener('drop', onDrop);
  $('main-name').addEventListener('input', schedule);
  $('strict').addEventListener('change', schedule);
  $('new-file').addEventListener('click', () => {
    const name = prompt('Name of the new file (a path below the game folder):', 'levels/more.ini');
    if (!name) return;
    addFile(name, new Uint8Array(0));
    show(name.replace(/\\/g, '/').replace(/^\/+/, ''));
    schedule();
  });
  $('remove-file').addEventListener('click', () => {
    if (!shown) return;
    files.delete(shown);
    if (archives.includes(shown)) archives.splice(archives.indexOf(shown), 1);
    show(files.keys().next().value || null);
    schedule();
  });

  show('game.ini');
  schedule();
})();
