// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/settings_store.h"
#include "scripted_dialogs.h"

#include <QTemporaryDir>

namespace lumivex::testing {

// What a window under test is made with: a settings file of its own in a folder of its own, so
// no test sees another's, and boxes the test answers.
struct WindowParts {
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("conf/Lumivex.conf"))};
    ScriptedDialogs dialogs;
};

} // namespace lumivex::testing
