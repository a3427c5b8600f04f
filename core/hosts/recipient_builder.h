#pragma once

#include <QByteArray>

class CHostList;

// Turns what the user picked or typed as recipient into a recipient list:
// "Group " and a group gives every address of that group, a nickname every
// address listed under it, and anything else is taken as an address or host name.
QByteArray BuildRecipientList(const CHostList& hosts, const QByteArray& strText);
