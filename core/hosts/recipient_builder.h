#pragma once

#include <QByteArray>
#include <QStringList>

class CHostList;

// Turns what the user picked or typed as recipient into a recipient list:
// "Group " and a group gives every address of that group, a nickname every
// address listed under it, and anything else is taken as an address or host name.
QByteArray BuildRecipientList(const CHostList& hosts, const QByteArray& strText);

// What the recipient box offers: every nickname of the host list and every
// "Group " and group, each once (compared without regard to case, the first
// spelling kept), sorted as QString::compare without regard to case orders them
// (what finds an entry by halving relies on it). Linear in the list, apart from
// the sort.
QStringList RecipientChoices(const CHostList& hosts);
