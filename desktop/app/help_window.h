#pragma once

#include <QDialog>

class QTextBrowser;

// The program's help: the README's sections about using it, as a page to read.
class CHelpWindow : public QDialog
{
    Q_OBJECT

public:
    explicit CHelpWindow(QWidget* pParent = nullptr);

    QTextBrowser& Browser() const { return *m_pBrowser; }
    // The page made of the README's sections for users.
    static QString UserPage(const QString& strReadme);

private:
    QTextBrowser* m_pBrowser;
};
