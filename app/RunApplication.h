#pragma once

struct AppState;

// The run sequence: reads the command line, decides the mode (option error,
// help, version, missing program, manual dialog, launch), builds the child's
// command line, performs the start-up steps on `state` and launches the child
// or shows the manual dialog. Problems that are not failures of the program
// (an option error, a missing program, a child that cannot be started) are
// shown here and end the run normally; failures of the program are thrown
// (Win32Error, standard exceptions) for the entry point to report.
void RunApplication(AppState& state);
