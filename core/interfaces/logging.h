#pragma once

#include <QLoggingCategory>

// Diagnostics for developers: failures that have no text for the user (socket
// options, bind and listen errors with errno, read failures, partial sends,
// settings file I/O). Silent unless switched on, for example with
// QT_LOGGING_RULES="blipnote.*=true".
Q_DECLARE_LOGGING_CATEGORY(lcNet)
Q_DECLARE_LOGGING_CATEGORY(lcMessaging)
Q_DECLARE_LOGGING_CATEGORY(lcFinger)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcPresence)
