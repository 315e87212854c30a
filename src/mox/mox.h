#pragma once
/// @file
/// Umbrella header: everything an application needs from mox.

#include <mox/version.h>

#include <mox/platform/CCriticalSection.h>
#include <mox/platform/CDataExchange.h>
#include <mox/platform/CEdit.h>
#include <mox/platform/CException.h>
#include <mox/platform/CObject.h>
#include <mox/platform/CThreadLocal.h>
#include <mox/platform/CWnd.h>
#include <mox/platform/MainThread.h>
#include <mox/platform/MessageBox.h>
#include <mox/platform/MoxWindow.h>
#include <mox/platform/StringResource.h>

#include <mox/core/CmoxCell.h>
#include <mox/core/MoxConstants.h>

#include <mox/propagation/Cmox.h>
#include <mox/propagation/CmoxChangedList.h>
#include <mox/propagation/CmoxNotifyList.h>

#include <mox/undo/CmoxUndoContext.h>
#include <mox/undo/CmoxUndoInfo.h>
#include <mox/undo/CmoxUndoList.h>

#include <mox/values/CmoxBooleanCell.h>
#include <mox/values/CmoxByteCell.h>
#include <mox/values/CmoxByteUndoInfo.h>
#include <mox/values/CmoxDoubleCell.h>
#include <mox/values/CmoxIntermediateEnumCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxLongLongCell.h>
#include <mox/values/CmoxLongLongUndoInfo.h>
#include <mox/values/CmoxPtrCell.h>
#include <mox/values/CmoxStringCell.h>
#include <mox/values/CmoxValueUndoInfo.h>
#include <mox/values/MoxEngUnits.h>

#include <mox/collections/CmoxArrayCell.h>
#include <mox/collections/CmoxArrayUndoInfo.h>
#include <mox/collections/CmoxCompositeCell.h>

#include <mox/archive/CmoxArchive.h>

#include <mox/dialog/CmoxCheckLC.h>
#include <mox/dialog/CmoxComboLC.h>
#include <mox/dialog/CmoxEditLC.h>
#include <mox/dialog/CmoxFormatter.h>
#include <mox/dialog/CmoxLinkCell.h>
#include <mox/dialog/CmoxListLC.h>
#include <mox/dialog/CmoxRadioLC.h>

// The modern C++ layer: scoped guards, lambda dependents, ranges (namespace mox).
#include <mox/scope/Observer.h>
#include <mox/scope/Ranges.h>
#include <mox/scope/SubTransaction.h>
#include <mox/scope/SuppressNotifications.h>
#include <mox/scope/Transaction.h>

// The control backends are libraries of their own: <mox/headless.h> (mox::headless) and
// <mox/qt.h> (mox::qt).
