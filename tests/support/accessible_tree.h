#pragma once

#include <QStringList>

class QWidget;

// The window as a screen reader sees it: every control a user can set or press
// (edits, boxes, buttons, lists, tabs) that is shown and has no accessible name,
// each described by its role and its class.
QStringList UnnamedControls(QWidget& window);
