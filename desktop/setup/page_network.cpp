#include "desktop/setup/page_network.h"

#include "core/interfaces/prompts.h"
#include "core/net/net_address.h"
#include "core/settings/app_settings.h"
#include "core/settings/system_info.h"
#include "core/text/code_page.h"
#include "core/text/leading_number.h"
#include "desktop/setup/number_box.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CPageNetwork::CPageNetwork(const CSetupContext& context, QWidget* pParent)
    : CSetupPage(pParent), m_context(context),
      m_strPort(QString::number(context.settings.IpPort())),
      m_strDelay(QString::number(context.settings.MultiSendDelay())),
      m_bMultiSend(context.settings.MultiSend()), m_pPort(new CNumberBox(1000, 32000, this)),
      m_pDelay(new CNumberBox(1, 20000, this)),
      m_pMultiSend(new QCheckBox(tr("enable multisend"), this)), m_pAddress(new QLineEdit(this)),
      m_pDefaultPort(new QPushButton(tr("&Default"), this)),
      m_pDefaultDelay(new QPushButton(tr("&Default"), this)),
      m_pGetAddress(new QPushButton(tr("&Get IP-addr"), this)),
      m_pDelayLabel(new QLabel(tr("Delay (ms) between multisend"), this)),
      m_bAnnounce(context.settings.Announce()),
      m_pAnnounce(new QCheckBox(tr("Announce this copy on the local network"), this)),
      m_pKeepUndelivered(new QCheckBox(tr("Keep undelivered notes"), this)),
      m_pGiveUpDays(new CNumberBox(1, 365, this))
{
    const SystemInfo::CSystemInfo& system = context.system;
    for (QPushButton* pButton : {m_pDefaultPort, m_pDefaultDelay, m_pGetAddress})
        pButton->setAutoDefault(false);
    m_pAddress->setReadOnly(true);

    auto* pPortBox = new QGroupBox(tr("IP-Port"), this);
    auto* pPortLayout = new QGridLayout(pPortBox);
    pPortLayout->addWidget(m_pPort, 0, 0);
    pPortLayout->addWidget(m_pDefaultPort, 0, 1);
    // The note server keeps the port it was started with.
    auto* pPortHint =
        new QLabel(tr("A new port takes effect at the next start of Blipnote."), pPortBox);
    pPortHint->setWordWrap(true);
    pPortLayout->addWidget(pPortHint, 1, 0, 1, 2);

    auto* pMultiBox = new QGroupBox(tr("Multisend"), this);
    auto* pMultiLayout = new QGridLayout(pMultiBox);
    pMultiLayout->addWidget(m_pMultiSend, 0, 0, 1, 2);
    pMultiLayout->addWidget(m_pDelay, 1, 0);
    pMultiLayout->addWidget(m_pDefaultDelay, 1, 1);
    pMultiLayout->addWidget(m_pDelayLabel, 2, 0, 1, 2);

    auto* pAddressBox = new QGroupBox(tr("local IP-address"), this);
    auto* pAddressLayout = new QHBoxLayout(pAddressBox);
    pAddressLayout->addWidget(m_pAddress, 1);
    pAddressLayout->addWidget(m_pGetAddress);

    // What the machine says of itself, as of this moment (the uptime included).
    const QByteArray texts[] = {system.strComputerName, system.strPlatform, system.strUserName,
                                SystemInfo::ProcessorText(), FormatUptime()};
    const QString labels[] = {tr("System name:"), tr("Platform:"), tr("User:"), tr("Processor:"),
                              tr("Uptime:")};
    auto* pInfoBox = new QGroupBox(tr("Additional Local Info"), this);
    auto* pInfoLayout = new QFormLayout(pInfoBox);
    for (int n = 0; n < 5; ++n) {
        // Wrapped, so that the whole value shows at any size and scale; it can
        // still be selected and copied.
        m_machine[n] = new QLabel(CodePage::ToUnicode(texts[n]), pInfoBox);
        m_machine[n]->setTextFormat(Qt::PlainText);
        m_machine[n]->setWordWrap(true);
        m_machine[n]->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                              Qt::TextSelectableByKeyboard);
        pInfoLayout->addRow(labels[n], m_machine[n]);
    }

    // What the announcement tells everyone on the network, said where it is chosen.
    auto* pPresenceBox = new QGroupBox(tr("Presence"), this);
    auto* pPresenceLayout = new QVBoxLayout(pPresenceBox);
    pPresenceLayout->addWidget(m_pAnnounce);
    auto* pPresenceHint = new QLabel(tr("Other copies then see that you are here without asking: "
                                        "they learn this computer's name and address, your "
                                        "nickname, the note port and the version."),
                                     pPresenceBox);
    pPresenceHint->setWordWrap(true);
    pPresenceLayout->addWidget(pPresenceHint);
    // Notes to hosts that cannot be reached wait in the outbox: asked for
    // each, or without asking.
    auto* pOutboxBox = new QGroupBox(tr("Outbox"), this);
    auto* pOutboxLayout = new QGridLayout(pOutboxBox);
    m_pKeepUndelivered->setToolTip(tr("A note to a host that cannot be reached waits in the "
                                      "outbox without asking, and is sent when the host is up"));
    pOutboxLayout->addWidget(m_pKeepUndelivered, 0, 0, 1, 3);
    auto* pGiveUpLabel = new QLabel(tr("Give up after"), pOutboxBox);
    pGiveUpLabel->setBuddy(m_pGiveUpDays);
    pOutboxLayout->addWidget(pGiveUpLabel, 1, 0);
    pOutboxLayout->addWidget(m_pGiveUpDays, 1, 1);
    pOutboxLayout->addWidget(new QLabel(tr("days"), pOutboxBox), 1, 2);
    pOutboxLayout->setColumnStretch(3, 1);
    m_pKeepUndelivered->setChecked(context.settings.KeepUndelivered());
    m_pGiveUpDays->SetText(QString::number(context.settings.GiveUpDays()));

    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(pPortBox);
    pLeft->addWidget(pMultiBox);
    pLeft->addWidget(pAddressBox);
    pLeft->addStretch(1);
    auto* pRight = new QVBoxLayout;
    pRight->addWidget(pInfoBox);
    pRight->addWidget(pPresenceBox);
    pRight->addWidget(pOutboxBox);
    pRight->addStretch(1);
    auto* pLayout = new QHBoxLayout(this);
    pLayout->addLayout(pLeft, 1);
    pLayout->addLayout(pRight, 1);

    ChainTabOrder({m_pPort, m_pDefaultPort, m_pMultiSend, m_pDelay, m_pDefaultDelay, m_pGetAddress,
                   m_pAnnounce, m_pKeepUndelivered, m_pGiveUpDays});
    connect(m_pKeepUndelivered, &QCheckBox::clicked, this, &CSetupPage::Changed);
    connect(m_pGiveUpDays, &CNumberBox::Edited, this, &CSetupPage::Changed);
    ShowValues();
    connect(m_pPort, &CNumberBox::Edited, this, &CSetupPage::Changed);
    connect(m_pDelay, &CNumberBox::Edited, this, &CSetupPage::Changed);
    connect(m_pAnnounce, &QCheckBox::clicked, this, &CSetupPage::Changed);
    connect(m_pMultiSend, &QCheckBox::clicked, this, [this] {
        Q_EMIT Changed();
        OnMultiSend();
    });
    const auto Button = [this](QPushButton* pButton, void (CPageNetwork::*pHandler)()) {
        connect(pButton, &QPushButton::clicked, this, [this, pHandler] {
            Q_EMIT Changed();
            (this->*pHandler)();
        });
    };
    Button(m_pDefaultPort, &CPageNetwork::OnDefaultPort);
    Button(m_pDefaultDelay, &CPageNetwork::OnDefaultDelay);
    Button(m_pGetAddress, &CPageNetwork::OnGetAddress);
}

QList<QLabel*> CPageNetwork::MachineTexts() const
{
    return {m_machine[0], m_machine[1], m_machine[2], m_machine[3], m_machine[4]};
}

void CPageNetwork::ReadControls()
{
    m_strPort = m_pPort->Text();
    m_strDelay = m_pDelay->Text();
    m_bMultiSend = m_pMultiSend->isChecked();
    m_bAnnounce = m_pAnnounce->isChecked();
}

void CPageNetwork::ShowValues()
{
    m_pPort->SetText(m_strPort);
    m_pDelay->SetText(m_strDelay);
    m_pMultiSend->setChecked(m_bMultiSend);
    m_pAnnounce->setChecked(m_bAnnounce);
    m_pAddress->setText(m_strAddress);
    // Without multi-send the delay means nothing; it is kept all the same.
    for (QWidget* pWidget :
         std::initializer_list<QWidget*>{m_pDelay, m_pDefaultDelay, m_pDelayLabel})
        pWidget->setEnabled(m_bMultiSend);
}

void CPageNetwork::OnMultiSend()
{
    ReadControls();
    ShowValues();
}

void CPageNetwork::OnDefaultPort()
{
    m_strPort = QStringLiteral("7777");
    ShowValues();
}

void CPageNetwork::OnDefaultDelay()
{
    m_strDelay = QStringLiteral("100");
    ShowValues();
}

void CPageNetwork::OnGetAddress()
{
    m_strAddress = tr("resolving local-IP ...");
    ShowValues();
    m_context.resolveLocalAddress(this, [this](const QByteArray& strAddress) {
        // New notes carry it from now on.
        m_context.system.strLocalAddress = strAddress;
        m_strAddress = CodePage::ToUnicode(strAddress);
        ShowValues();
    });
}

void CPageNetwork::Apply()
{
    ReadControls();
    CAppSettings& settings = m_context.settings;
    // The arrows' ranges bound only the arrows: typed text counts by its leading number.
    settings.SetIpPort(ParseLeadingNumber(CodePage::FromUnicode(m_strPort)));
    settings.SetMultiSend(m_bMultiSend);
    settings.SetMultiSendDelay(ParseLeadingNumber(CodePage::FromUnicode(m_strDelay)));
    settings.SetAnnounce(m_bAnnounce);
    settings.Save(SettingsGroup::Network);
    settings.Save(SettingsGroup::Presence);
    settings.SetKeepUndelivered(m_pKeepUndelivered->isChecked());
    // At least a day: a note is never given up before its first tries.
    settings.SetGiveUpDays(
        std::max(1, ParseLeadingNumber(CodePage::FromUnicode(m_pGiveUpDays->Text()))));
    settings.Save(SettingsGroup::Outbox);
    // Stored as typed; but the user learns now, not at the next start, that no
    // note could reach that port.
    if (!NetAddress::Port(settings.IpPort(), NetAddress::EPortUse::Connect))
        m_context.prompts.ShowMessage(
            tr("The port %1 cannot take notes: from the next start Blipnote will receive "
               "none until a port from 1 to 65535 is set.")
                .arg(settings.IpPort()),
            PromptIcon::Warning);
}
