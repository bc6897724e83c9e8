// Keys held with Alt or Ctrl are commands: they never type into a text field.
#pragma once

namespace zarnik::ui {

// Installs, once per application, the filter that delivers an Alt or Ctrl
// combination to text fields without its text: a late Alt+C after a run, or an Alt
// letter that names no access key, would otherwise type its letter into the target
// list, and the next count would miss the line it spoilt. Ctrl+V, Ctrl+Z and the
// other editing keys still work, since they are read from the key, not the text.
void InstallCommandKeyGuard();

}  // namespace zarnik::ui
