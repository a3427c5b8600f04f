#pragma once

#include "core/interfaces/prompts.h"
#include "core/interfaces/sound_player.h"
#include "desktop/app/tray_icon_interface.h"

// What the desktop program asks of its surroundings, answered without a word,
// for benchmarks that run it in their own process.
class CQuietPrompts : public IPrompts
{
public:
    void ShowMessage(const QString&, PromptIcon) override {}
    bool AskYesNo(const QString&) override { return false; }
    std::optional<QString> AskText(const QString&, const QString&) override { return std::nullopt; }
};

class CNoTray : public ITrayIcon
{
public:
    bool SetIcon(EIcon) override { return false; }
    void SetTip(const QString&) override {}
    bool IsShown() const override { return false; }
    EIcon Icon() const override { return EIcon::None; }
    QString Tip() const override { return QString(); }
    void SetAttention(int, const QString&) override {}
    QString Attention() const override { return QString(); }
};

class CNoSound : public ISoundPlayer
{
public:
    void Play(const QString&) override {}
};
