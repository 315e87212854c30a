#pragma once
/// @file
/// Umbrella header: everything an application needs from mox.

#include <mox/platform/CCriticalSection.h>
#include <mox/platform/CException.h>
#include <mox/platform/CObject.h>
#include <mox/platform/CThreadLocal.h>
#include <mox/platform/MainThread.h>
#include <mox/platform/MessageBox.h>
#include <mox/platform/StringResource.h>

#include <mox/core/CmoxCell.h>
#include <mox/core/MoxConstants.h>

#include <mox/propagation/Cmox.h>
#include <mox/propagation/CmoxChangedList.h>
#include <mox/propagation/CmoxNotifyList.h>

#include <mox/undo/CmoxUndoContext.h>
#include <mox/undo/CmoxUndoInfo.h>
#include <mox/undo/CmoxUndoList.h>

#include <mox/archive/CmoxArchive.h>
