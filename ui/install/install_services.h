// The services of the library that the install work calls: the settings
// folder and its security, model registration and the Expand File programs,
// the stored per-printer values, the list rebuilds and the message boxes.
#pragma once

#include "ui/base/printer_values.h"
#include "ui/services/messages.h"
#include "ui/services/model_registration.h"
#include "ui/services/settings_folder.h"
#include "ui/services/stored_presets.h"
