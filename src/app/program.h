#pragma once

#include <functional>

namespace mero {

// The program's start-up sequence and event loop, as `mero` runs them: the updater, the window toolkit
// with its Czech texts and the message dialogs, the data module on the database the settings store
// names, the data updates, fields, datasets and installation, then the main window shown maximised.
// whenShown, when given, runs once the main window is shown, just before the event loop starts.
// Returns the program's exit code (1 when the database could not be opened and prepared).
int RunProgram(int& argc, char** argv, const std::function<void()>& whenShown = {});

} // namespace mero
