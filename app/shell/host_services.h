// The host services the program installs once at start-up (and tests replace): one prompter
// behind the engine's message boxes, the picture layer's and the program's own; the progress
// window backend; the settings store.
#pragma once

#include <memory>

#include "prompter.h"

// Makes `prompter` answer every box: the program's, the engine's and the picture layer's.
// Null restores the defaults.
void InstallPrompter(std::shared_ptr<Prompter> prompter);

// The on-screen services: QMessageBox prompter, Qt progress window, QSettings store.
void InstallHostServices();
// Restores every default (for the end of the program and of tests).
void RemoveHostServices();
