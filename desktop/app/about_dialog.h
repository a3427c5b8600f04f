#pragma once

#include <QDialog>

// "About Blipnote": the program's picture, what it is, its version and credits.
class CAboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDialog(QWidget* pParent = nullptr);
};
