#pragma once

#include "core/hosts/host_list.h"

#include <QDialog>
#include <QList>

class QLineEdit;
class QPushButton;

// "Create range of new hosts": rows a.b.c.n for n from the fourth "From" octet
// to the "To" octet, in one group. Each octet edit shows its value within 0 to
// 255 as it is typed.
class CHostRangeDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CHostRangeDlg(QWidget* pParent);

    // The rows "Create" made (none when To is below the fourth From octet).
    const QList<CHostEntry>& Rows() const { return m_rows; }

    // The four "From" octets (0 to 3) and "To" (4).
    QLineEdit& Octet(int n) const { return *m_octets[n]; }
    QLineEdit& GroupEdit() const { return *m_pGroup; }
    QPushButton& CancelButton() const { return *m_pCancel; }

private:
    void OnCreate();

    QLineEdit* m_octets[5];
    QLineEdit* m_pGroup;
    QPushButton* m_pCreate;
    QPushButton* m_pCancel;
    QList<CHostEntry> m_rows;
};
