// The editor's side: the language for game.ini and the files it includes, the language server
// when one starts, and a check on save with a problem matcher when none does.
import * as path from "path";
import * as vscode from "vscode";
import { LanguageClient } from "vscode-languageclient/node";
import { includedFiles } from "./includes";
import { checkCommand, Place, serverCommand } from "./serverCommand";

const language = "ferrox-ini";

let client: LanguageClient | undefined;
let serverRunning = false;
const knownIncludes = new Set<string>();

function place(context: vscode.ExtensionContext): Place {
    return {
        extensionPath: context.extensionPath,
        configuredPath: vscode.workspace.getConfiguration("ferrox").get<string>("server.path", ""),
        platform: process.platform,
        arch: process.arch,
    };
}

function sameFile(a: string, b: string): boolean {
    return process.platform === "win32" ? a.toLowerCase() === b.toLowerCase() : a === b;
}

function isIncluded(file: string): boolean {
    for (const known of knownIncludes) {
        if (sameFile(known, file)) {
            return true;
        }
    }
    return false;
}

// Gives a document the language when a pattern of the setting or an include names it.
async function claim(document: vscode.TextDocument): Promise<void> {
    if (document.languageId === language || document.uri.scheme !== "file") {
        return;
    }
    const patterns = vscode.workspace.getConfiguration("ferrox").get<string[]>("files.patterns", []);
    const matched = patterns.some((pattern) => vscode.languages.match({ pattern }, document) > 0);
    if (matched || isIncluded(document.uri.fsPath)) {
        await vscode.languages.setTextDocumentLanguage(document, language);
    }
}

// Remembers the files that a document of the language includes, and claims the open ones.
async function learnIncludes(document: vscode.TextDocument): Promise<void> {
    if (document.languageId !== language || document.uri.scheme !== "file") {
        return;
    }
    for (const file of includedFiles(document.getText(), document.uri.fsPath)) {
        knownIncludes.add(file);
    }
    for (const open of vscode.workspace.textDocuments) {
        await claim(open);
    }
}

function checkTask(context: vscode.ExtensionContext, definition: vscode.TaskDefinition): vscode.Task {
    const check = checkCommand(place(context), definition.file as string);
    const task = new vscode.Task(
        definition,
        vscode.TaskScope.Workspace,
        `check ${path.basename(definition.file as string)}`,
        "ferrox-script",
        new vscode.ProcessExecution(check.command, check.args, { cwd: check.cwd }),
        ["$ferrox-script", "$ferrox-script-notes"],
    );
    task.presentationOptions = { reveal: vscode.TaskRevealKind.Never, clear: true };
    return task;
}

async function startServer(context: vscode.ExtensionContext): Promise<void> {
    const command = serverCommand(place(context));
    const started = new LanguageClient(language, "Ferrox game.ini", command, {
        documentSelector: [{ language }],
    });
    try {
        await started.start();
        client = started;
        serverRunning = true;
    } catch {
        serverRunning = false;
        await started.dispose().catch(() => undefined);
        vscode.window.setStatusBarMessage(
            `Ferrox: no language server (${command.command} lsp); files are checked on save`,
            10000,
        );
    }
}

async function restartServer(context: vscode.ExtensionContext): Promise<void> {
    const running = client;
    client = undefined;
    serverRunning = false;
    await running?.stop();
    await startServer(context);
}

export async function activate(context: vscode.ExtensionContext): Promise<void> {
    context.subscriptions.push(
        vscode.workspace.onDidOpenTextDocument(async (document) => {
            await claim(document);
            await learnIncludes(document);
        }),
        vscode.workspace.onDidSaveTextDocument(async (document) => {
            await learnIncludes(document);
            const checkOnSave = vscode.workspace.getConfiguration("ferrox").get<boolean>("checkOnSave", true);
            if (!serverRunning && checkOnSave && document.languageId === language && document.uri.scheme === "file") {
                await vscode.tasks.executeTask(checkTask(context, { type: "ferrox-script", file: document.uri.fsPath }));
            }
        }),
        vscode.workspace.onDidChangeConfiguration(async (change) => {
            if (change.affectsConfiguration("ferrox.server.path")) {
                await restartServer(context);
            }
        }),
        vscode.tasks.registerTaskProvider("ferrox-script", {
            provideTasks: () => [],
            resolveTask: (task) => (task.definition.file ? checkTask(context, task.definition) : undefined),
        }),
    );
    for (const document of vscode.workspace.textDocuments) {
        await claim(document);
        await learnIncludes(document);
    }
    await startServer(context);
}

export async function deactivate(): Promise<void> {
    await client?.stop();
}
