// What counting needs from the settings, made once per run. Each integer switch of
// the settings record is read here and nowhere else, so every counter and the
// settings dialog agree on what a stored value means.
#pragma once

#include "engine/options.h"
#include "settings/settings.h"

namespace zarnik::run {

engine::CountOptions CountOptionsFrom(const settings::Settings& cnf);

}  // namespace zarnik::run
