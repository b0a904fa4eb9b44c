// Drives `ferrox-script lsp` through the protocol's own client libraries, one session per
// file of sessions/: each session's files go to a fresh folder, its steps are sent in order,
// and every answer, published diagnostic and log message it expects must come as written.
//
//   node run_sessions.js [--drive=Z:] SERVER [WRAPPER...] [-- SESSION.json...]
//
// SERVER (with WRAPPER before it, e.g. wine64) is started as `... SERVER lsp`. --drive names
// the folders as a Windows server sees them (Z:/tmp/...). Exit status 0 when all sessions pass.
'use strict';
const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const assert = require('assert');
const rpc = require('vscode-languageserver-protocol/node');

const kWait = 30000; // ms a step may wait for its answer before it fails

function parseArgs(argv) {
    const args = { drive: '', command: [], sessions: [] };
    let inSessions = false;
    for (const word of argv) {
        if (inSessions) args.sessions.push(word);
        else if (word === '--') inSessions = true;
        else if (word.startsWith('--drive=')) args.drive = word.slice(8);
        else args.command.push(word);
    }
    // The server runs in the session's folder: a path to it is taken from here.
    args.command = args.command.map((w) => (w.includes('/') ? path.resolve(w) : w));
    if (args.command.length === 0) throw new Error('usage: run_sessions.js [--drive=Z:] SERVER [-- SESSION...]');
    if (args.sessions.length === 0) {
        const folder = path.join(__dirname, 'sessions');
        args.sessions = fs.readdirSync(folder).filter((n) => n.endsWith('.json')).sort()
            .map((n) => path.join(folder, n));
    }
    return args;
}

// Every "${ROOT}" in the steps' strings becomes the session folder's URI, "${DIR}" its path as
// the server names it.
function substitute(value, root, dir) {
    if (typeof value === 'string') return value.split('${ROOT}').join(root).split('${DIR}').join(dir);
    if (Array.isArray(value)) return value.map((v) => substitute(v, root, dir));
    if (value && typeof value === 'object') {
        const out = {};
        for (const [k, v] of Object.entries(value)) out[k] = substitute(v, root, dir);
        return out;
    }
    return value;
}

// Messages of one kind, taken in the order they came; `take` waits for the next one.
class Inbox {
    constructor() { this.items = []; this.waiters = []; }
    put(item) {
        this.items.push(item);
        const waiters = this.waiters; this.waiters = [];
        waiters.forEach((w) => w());
    }
    async take(what) {
        const deadline = Date.now() + kWait;
        while (this.items.length === 0) {
            const left = deadline - Date.now();
            if (left <= 0) throw new Error(`no ${what} came`);
            await new Promise((resolve) => {
                const timer = setTimeout(resolve, left);
                this.waiters.push(() => { clearTimeout(timer); resolve(); });
            });
        }
        return this.items.shift();
    }
}

async function runSession(file, args) {
    const session = JSON.parse(fs.readFileSync(file, 'utf8'));
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'ferrox-lsp-'));
    for (const [name, text] of Object.entries(session.files || {})) {
        fs.mkdirSync(path.dirname(path.join(folder, name)), { recursive: true });
        fs.writeFileSync(path.join(folder, name), Buffer.from(text, 'latin1'));
    }
    const root = 'file://' + (args.drive ? '/' + args.drive : '') + folder;
    const steps = substitute(session.steps, root, args.drive + folder);
    const [program, ...wrapped] = args.command;
    const server = childProcess.spawn(program, [...wrapped, 'lsp'], {
        cwd: folder, stdio: ['pipe', 'pipe', 'inherit'] });
    const exited = new Promise((resolve) => {
        server.on('exit', (code) => resolve(code));
        server.on('error', (error) => resolve(error.message));
    });
    const inboxes = { log: new Inbox(), unanswered: new Inbox() };
    const publishes = new Map();
    const inbox = (uri) => publishes.get(uri) || publishes.set(uri, new Inbox()).get(uri);
    const logger = {
        error: (m) => inboxes.unanswered.put(m), warn: () => {}, info: () => {}, log: () => {},
    };
    const connection = rpc.createProtocolConnection(
        new rpc.StreamMessageReader(server.stdout), new rpc.StreamMessageWriter(server.stdin), logger);
    connection.onNotification('textDocument/publishDiagnostics', (p) => inbox(p.uri).put(p));
    connection.onNotification('window/logMessage', (p) => inboxes.log.put(p));
    connection.onError(() => {});
    connection.listen();
    try {
        for (const [index, step] of steps.entries()) {
            const where = `${path.basename(file)} step ${index + 1}`;
            try {
                await runStep(step, connection, server, inbox, inboxes);
            } catch (error) {
                throw new Error(`${where}: ${error.message}`);
            }
        }
        const code = await Promise.race([exited, new Promise((r) => setTimeout(() => r('running'), kWait))]);
        if (session.exitCode !== undefined) {
            assert.strictEqual(code, session.exitCode, `${path.basename(file)}: exit status`);
        }
    } finally {
        connection.dispose();
        server.kill();
        fs.rmSync(folder, { recursive: true, force: true });
    }
}

async function runStep(step, connection, server, inbox, inboxes) {
    if (step.notify) {
        await connection.sendNotification(step.notify, step.params);
    } else if (step.raw !== undefined) {
        server.stdin.write(Buffer.from(step.raw, 'latin1'));
    } else if (step.request) {
        let answer;
        try {
            answer = { result: await withTimeout(connection.sendRequest(step.request, step.params || null)) };
        } catch (error) {
            if (error.code === undefined) throw error;
            answer = { error: { code: error.code } };
        }
        const expected = 'error' in step ? { error: step.error } : { result: step.result };
        assert.deepStrictEqual(answer, expected, `answer to ${step.request}`);
    } else if (step.diagnostics) {
        const box = inbox(step.diagnostics);
        let published;
        do {
            published = await box.take(`publishDiagnostics for ${step.diagnostics}`);
        } while (step.version !== undefined && (published.version || 0) < step.version);
        const got = { version: published.version, diagnostics: published.diagnostics };
        assert.deepStrictEqual(got, { version: step.version, diagnostics: step.expect },
            `diagnostics of ${step.diagnostics}`);
    } else if (step.log) {
        assert.deepStrictEqual(await inboxes.log.take('window/logMessage'), step.log, 'log message');
    } else if (step.unanswered) {
        const logged = await inboxes.unanswered.take('error answer without an id');
        assert.ok(logged.includes(`"code": ${step.unanswered}`), `error without id: ${logged}`);
    } else {
        throw new Error(`unknown step ${JSON.stringify(step)}`);
    }
}

function withTimeout(promise) {
    let timer;
    const late = new Promise((_, reject) => {
        timer = setTimeout(() => reject(new Error('no answer came')), kWait);
    });
    return Promise.race([promise, late]).finally(() => clearTimeout(timer));
}

async function main() {
    const args = parseArgs(process.argv.slice(2));
    let failed = 0;
    for (const file of args.sessions) {
        try {
            await runSession(file, args);
            console.log(`PASS ${path.basename(file)}`);
        } catch (error) {
            failed += 1;
            console.log(`FAIL ${error.message}`);
        }
    }
    console.log(`${args.sessions.length - failed} of ${args.sessions.length} sessions passed`);
    process.exit(failed ? 1 : 0);
}

main();
