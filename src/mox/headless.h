#pragma once
/// @file
/// Umbrella header of the headless control backend (library mox::headless): everything of
/// <mox/mox.h> plus the in-memory desktop, dialog and controls, for tests, demos and servers
/// without a display.

#include <mox/mox.h>

#include <mox/platform/headless/Button.h>
#include <mox/platform/headless/ComboBox.h>
#include <mox/platform/headless/Desktop.h>
#include <mox/platform/headless/Dialog.h>
#include <mox/platform/headless/Edit.h>
#include <mox/platform/headless/ListBox.h>
