// The launcher's preparation steps, in the order WinMain runs them.
#pragma once

// Shows the already-running message box, title and text from "data\Running.scr" when that
// file can be read; shows nothing otherwise.
void ShowAlreadyRunning();

// Makes the executable's own folder the working directory; on failure the start goes on where
// it is.
void EnterExecutableDirectory();

// Compiles the game's Java parameter classes when a Params folder exists, and waits for it.
void CompileJavaParameters();

// Starts the DirectX diagnostic tool unless its report exists, without waiting for it.
void RequestDirectXReport();
