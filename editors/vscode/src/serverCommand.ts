// Which ferrox-script the extension runs, and how: no editor API here, so that a plain Node
// test can start the real program exactly as the extension does.
import * as fs from "fs";
import * as path from "path";

export interface Place {
    extensionPath: string;
    configuredPath: string; // the setting ferrox.server.path; empty when unset
    platform: NodeJS.Platform;
    arch: string;
}

export interface Command {
    command: string;
    args: string[];
    cwd?: string;
}

// The program that comes with the extension for this system, where one does. Windows gets the
// 32-bit build, which runs on every Windows.
export function bundledProgram(place: Place): string | undefined {
    if (place.platform === "linux" && place.arch === "x64") {
        return path.join(place.extensionPath, "server", "linux-x64", "ferrox-script");
    }
    if (place.platform === "win32") {
        return path.join(place.extensionPath, "server", "win32", "ferrox-script.exe");
    }
    return undefined;
}

// The configured program, else the bundled one when it is there, else the one on the PATH.
export function scriptProgram(place: Place, exists: (file: string) => boolean = fs.existsSync): string {
    const configured = place.configuredPath.trim();
    if (configured !== "") {
        return configured;
    }
    const bundled = bundledProgram(place);
    if (bundled !== undefined && exists(bundled)) {
        return bundled;
    }
    return place.platform === "win32" ? "ferrox-script.exe" : "ferrox-script";
}

// The language server speaks on standard input and output.
export function serverCommand(place: Place, exists?: (file: string) => boolean): Command {
    return { command: scriptProgram(place, exists), args: ["lsp"] };
}

// A check of one file, run in its folder. The absolute name makes every diagnostic name its
// file absolutely, include files too.
export function checkCommand(place: Place, file: string, exists?: (file: string) => boolean): Command {
    const absolute = path.resolve(file);
    return {
        command: scriptProgram(place, exists),
        args: ["check", "--", absolute],
        cwd: path.dirname(absolute),
    };
}
