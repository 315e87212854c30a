#pragma once
/// @file
/// Umbrella header of the Qt 6 Widgets control backend (library mox::qt): everything of
/// <mox/mox.h> plus the adapters that put a mox dialog on real widgets.

#include <mox/mox.h>

#include <mox/platform/qt/Dialog.h>
#include <mox/platform/qt/Window.h>
#include <mox/platform/qt/WindowSystem.h>
