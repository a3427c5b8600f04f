#pragma once

#include <QString>

#include <optional>
#include <sys/types.h>

// A folder where no other local user can put, replace or read anything: the
// place for a user's local sockets and lock files. Whatever lies in a shared
// folder (/tmp) under a name others can guess may have been put there by them.
class CPrivateFolder
{
public:
    // The user's runtime folder ($XDG_RUNTIME_DIR) when it is the user's own with
    // mode 0700, else blipnote-UID in the temporary folder ($TMPDIR or /tmp),
    // made 0700 when missing. Both are checked on every call (owner, mode, no
    // link, a parent no other user may change). Empty, with the reason in
    // *pstrProblem, when neither can be used.
    static QString Find(QString* pstrProblem);

    // Why the folder is not private to this user; empty when it is.
    static QString WhyNotPrivate(const QString& strFolder);

    // Why the entry is not this user's own of that type (S_IFSOCK, S_IFREG);
    // empty when it is, or when there is none.
    static QString WhyNotOwn(const QString& strPath, mode_t nType);

    // The user at the other end of a local socket, as the system saw it connect
    // (or listen); none when it cannot tell.
    static std::optional<uid_t> PeerUser(qintptr nSocket);

    // "user NAME (uid N)", for messages.
    static QString DescribeUser(uid_t nUser);
};
