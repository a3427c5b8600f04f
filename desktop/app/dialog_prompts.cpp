#include "desktop/app/dialog_prompts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("Blipnote");

QMessageBox::Icon IconOf(PromptIcon eIcon)
{
    switch (eIcon) {
    case PromptIcon::Stop:
        return QMessageBox::Critical;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Information:
        break;
    }
    return QMessageBox::Information;
}

// A box whose text is shown as it stands: texts may hold what a peer sent (a
// title, an address), which must never be read as markup.
QMessageBox::StandardButton Ask(QWidget* pParent, QMessageBox::Icon eIcon, const QString& strText,
                                QMessageBox::StandardButtons buttons)
{
    QMessageBox box(eIcon, kTitle, strText, buttons, pParent);
    box.setTextFormat(Qt::PlainText);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void CDialogPrompts::ShowMessage(const QString& strText, PromptIcon eIcon)
{
    Ask(m_pParent, IconOf(eIcon), strText, QMessageBox::Ok);
}

bool CDialogPrompts::ShowMessageWithOffer(const QString& strText, PromptIcon eIcon,
                                          const QString& strOffer)
{
    // The box as ShowMessage shows it, OK its default, the offer beside it.
    QMessageBox box(IconOf(eIcon), kTitle, strText, QMessageBox::Ok, m_pParent);
    box.setTextFormat(Qt::PlainText);
    QPushButton* pOffer = box.addButton(strOffer, QMessageBox::AcceptRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == pOffer;
}

bool CDialogPrompts::AskYesNo(const QString& strText)
{
    return Ask(m_pParent, QMessageBox::Question, strText, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

PromptAnswer CDialogPrompts::AskYesNoCancel(const QString& strText)
{
    switch (Ask(m_pParent, QMessageBox::Question, strText,
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    default:
        return PromptAnswer::Cancel;
    }
}

std::optional<QString> CDialogPrompts::AskText(const QString& strCaption, const QString& strInitial)
{
    QDialog dialog(m_pParent);
    dialog.setWindowTitle(strCaption);
    auto* pEdit = new QLineEdit(strInitial, &dialog);
    auto* pButtons = new QDialogButtonBox(&dialog);
    pButtons->addButton(QObject::tr("&Ok"), QDialogButtonBox::AcceptRole)->setDefault(true);
    pButtons->addButton(QObject::tr("&Cancel"), QDialogButtonBox::RejectRole);
    QObject::connect(pButtons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(pButtons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* pLayout = new QVBoxLayout(&dialog);
    pLayout->addWidget(pEdit);
    pLayout->addWidget(pButtons);
    dialog.resize(360, dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return pEdit->text();
}

std::optional<QString> CDialogPrompts::AskMultilineText(const QString& strCaption,
                                                        const QString& strFrameTitle,
                                                        const QString& strInitial)
{
    QDialog dialog(m_pParent);
    dialog.setWindowTitle(strCaption);
    auto* pFrame = new QGroupBox(strFrameTitle, &dialog);
    auto* pEdit = new QPlainTextEdit(strInitial, pFrame);
    (new QVBoxLayout(pFrame))->addWidget(pEdit);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(pButtons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(pButtons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* pLayout = new QVBoxLayout(&dialog);
    pLayout->addWidget(pFrame);
    pLayout->addWidget(pButtons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return pEdit->toPlainText();
}

QString CDialogPrompts::AskOpenFileName(const QString& strFilter, const QString& strStartAt)
{
    return QFileDialog::getOpenFileName(m_pParent, QObject::tr("Open"), strStartAt, strFilter);
}

QString CDialogPrompts::AskSaveFileName(const QString& strSuggested, const QString& strFilter)
{
    return QFileDialog::getSaveFileName(m_pParent, QObject::tr("Save As"), strSuggested, strFilter);
}
