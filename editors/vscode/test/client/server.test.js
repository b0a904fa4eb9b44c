// Starts the real ferrox-script the way the extension does, from an extension folder laid out
// as the packaged one, and talks to it over the language server protocol; checks a broken file
// with it and reads the output with the problem matchers of package.json.
// FERROX_SCRIPT names the program (a native build).
const assert = require("node:assert/strict");
const { spawn, spawnSync } = require("node:child_process");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const test = require("node:test");
const rpc = require("vscode-jsonrpc/node");
const { checkCommand, serverCommand } = require("../../out/serverCommand");
const manifest = require("../../package.json");

const program = process.env.FERROX_SCRIPT;
assert.ok(program && fs.existsSync(program), "FERROX_SCRIPT names no program");

// A fresh extension folder with the program where the package puts it.
function extensionFolder() {
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), "ferrox-extension-"));
    const server = path.join(folder, "server", "linux-x64");
    fs.mkdirSync(server, { recursive: true });
    fs.symlinkSync(path.resolve(program), path.join(server, "ferrox-script"));
    return folder;
}

function linuxPlace(extensionPath) {
    return { extensionPath, configuredPath: "", platform: "linux", arch: "x64" };
}

test("the bundled server starts, answers initialize and shuts down", async () => {
    const command = serverCommand(linuxPlace(extensionFolder()));
    const server = spawn(command.command, command.args, { stdio: ["pipe", "pipe", "inherit"] });
    const exited = new Promise((resolve) => server.on("exit", (code) => resolve(code)));
    const connection = rpc.createMessageConnection(
        new rpc.StreamMessageReader(server.stdout),
        new rpc.StreamMessageWriter(server.stdin),
    );
    connection.listen();
    const result = await connection.sendRequest("initialize", {
        processId: process.pid,
        rootUri: null,
        capabilities: {},
    });
    assert.equal(typeof result.capabilities, "object");
    assert.ok(result.capabilities.textDocumentSync !== undefined, "the server does not take documents");
    await connection.sendNotification("initialized", {});
    assert.equal(await connection.sendRequest("shutdown"), null);
    await connection.sendNotification("exit");
    assert.equal(await exited, 0);
    connection.dispose();
});

// Every line of `output` that a problem matcher of the extension reads, as the editor reads it.
function problems(output) {
    const found = [];
    for (const matcher of manifest.contributes.problemMatchers) {
        const pattern = matcher.pattern;
        for (const line of output.split(/\r?\n/)) {
            const match = new RegExp(pattern.regexp).exec(line);
            if (match) {
                found.push({
                    file: match[pattern.file],
                    line: Number(match[pattern.line]),
                    column: Number(match[pattern.column]),
                    severity: pattern.severity ? match[pattern.severity] : matcher.severity,
                    message: match[pattern.message],
                });
            }
        }
    }
    return found;
}

test("check on save: the problem matchers read what the bundled program reports", () => {
    const project = fs.mkdtempSync(path.join(os.tmpdir(), "ferrox-project-"));
    fs.mkdirSync(path.join(project, "levels"));
    fs.writeFileSync(path.join(project, "game.ini"), '!level(s, i)\nlevel("Hall", 3);\n!include("levels/more.ini")\n');
    fs.writeFileSync(path.join(project, "levels", "more.ini"), 'level("Cellar", "640")\n');
    const check = checkCommand(linuxPlace(extensionFolder()), path.join(project, "game.ini"));
    const run = spawnSync(check.command, check.args, { cwd: check.cwd, encoding: "utf8", env: { ...process.env, NO_COLOR: "1" } });
    assert.equal(run.status, 1, run.stderr);
    assert.deepEqual(problems(run.stderr), [
        {
            file: path.join(project, "game.ini"),
            line: 2,
            column: 17,
            severity: "warning",
            message: "its not c!",
        },
        {
            file: path.join(project, "levels", "more.ini"),
            line: 1,
            column: 17,
            severity: "error",
            message: "argument 2 of 'level' must be an integer, not a string",
        },
        {
            file: path.join(project, "game.ini"),
            line: 1,
            column: 1,
            severity: "info",
            message: "declared here: !level(s, i)",
        },
        {
            file: path.join(project, "levels", "more.ini"),
            line: 1,
            column: 17,
            severity: "info",
            message: "the launcher's log says: unknown const name ''",
        },
    ]);
});

test("the program: the setting first, then the bundled one, then the PATH", () => {
    const folder = extensionFolder();
    const bundled = path.join(folder, "server", "linux-x64", "ferrox-script");
    assert.equal(serverCommand(linuxPlace(folder)).command, bundled);
    assert.equal(serverCommand({ ...linuxPlace(folder), configuredPath: " /opt/ferrox-script " }).command, "/opt/ferrox-script");
    fs.rmSync(bundled);
    assert.equal(serverCommand(linuxPlace(folder)).command, "ferrox-script");
    const windows = { extensionPath: "C:\\ext", configuredPath: "", platform: "win32", arch: "arm64" };
    assert.equal(serverCommand(windows, () => true).command, path.join("C:\\ext", "server", "win32", "ferrox-script.exe"));
    assert.equal(serverCommand(windows, () => false).command, "ferrox-script.exe");
    assert.equal(serverCommand({ ...windows, platform: "darwin" }, () => true).command, "ferrox-script");
});
