#pragma once

#include <QDialog>

// The program's help: its README, as a page to read.
class CHelpWindow : public QDialog
{
    Q_OBJECT

public:
    explicit CHelpWindow(QWidget* pParent = nullptr);
};
