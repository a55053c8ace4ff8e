#pragma once

namespace mero {

// Switches the toolkit's own texts (standard buttons, dialogs, context menus) to Czech: loads
// qtbase_cs from Qt's translations folder. False when the translation is not installed.
bool InstallToolkitTranslations();

} // namespace mero
