#pragma once

class CBlipnoteApp;
class CFileCommands;
class CMailSender;
class CMainFrame;

// What the commands act on: the application, the main window, the file
// commands and the mail sender.
struct CCommandTargets
{
    CBlipnoteApp& app;
    CMainFrame& frame;
    CFileCommands& files;
    CMailSender& mail;
};

// What each item of the main window's menus, toolbar, tray menu and keys does,
// in one table: the application's commands, those of the active note window
// and the main window's own.
namespace CommandTable {
// Connects every command of the main window's menus to its handler, once.
void Connect(const CCommandTargets& targets);
} // namespace CommandTable
