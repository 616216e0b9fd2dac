#pragma once

// The help box: message 4 (the name, the usage text and the options) with the
// program's name as caption and the information icon.
void ShowHelp();

// The version box: message 2, captioned and iconed like the help box.
void ShowVersion();
