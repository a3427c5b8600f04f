#include "core/interfaces/logging.h"

// Critical is the lowest level shown by default: the categories' warnings and
// debug messages stay silent until a logging rule switches them on.
Q_LOGGING_CATEGORY(lcNet, "blipnote.net", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcMessaging, "blipnote.messaging", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcFinger, "blipnote.finger", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcSettings, "blipnote.settings", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcPresence, "blipnote.presence", QtCriticalMsg)
